#pragma once
// What the import makes of a recipient's cells: the mobile number in a
// telephone cell, the postcode shop exports append to an address, and one
// address from a full address, its detail and its 省/市/区/街道 parts.

#include <QString>
#include <QStringList>

// The mobile number a cell holds as its whole text: 11 digits 1[3-9]…, or
// masked as 138****5678, written with or without +86, blanks or dashes;
// given as the 11 characters; with a privacy extension (-1234, 转1234) as
// 17012345678转1234. Empty when the cell holds anything else.
QString mobileNumberOf(const QString &text);

// An address with the postcode written after it ("…文三路90号(310012)",
// "…（310012）", "… ，310012", "…邮编：310012") taken off.
struct AddressPostcode {
    QString address;
    QString postcode; // empty when there was none, or only Taobao's 000000
    bool found = false;
};
AddressPostcode splitTrailingPostcode(const QString &address);

// One address: the full address (or, without one, the first detail), the
// other details after it unless it holds them already, and the parts
// (coarse to fine: 省, 市, 区, 省市区, 街道) each put in its place unless the
// address names it: before the first finer name, after the coarser ones.
// Placeholder names (市辖区, 省直辖县级行政区划) are left out.
QString joinedAddress(const QString &address, const QStringList &details, const QStringList &parts);
