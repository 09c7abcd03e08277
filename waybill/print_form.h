#pragma once
// What a run prints on, by code: a built-in courier's layout, or one of the
// office's own forms kept in the store a connection reaches.

#include "waybill/layout.h"

#include <optional>

class Connection;

struct PrintForm {
    QString code;
    QString captionTail; // as messages name it: 顺丰快递单, 德邦快递单
    Layout layout;
};

// The form of a code for a window variant; none when no form has it.
// Throws AppError for a stored form whose file is damaged.
std::optional<PrintForm> printFormOf(const QString &code, Variant variant, Connection &connection);
// The couriers of the office's own forms, by code (for the print menus).
QList<Courier> userFormCouriers(Connection &connection);
// Every code a run can print on: the built-in ones in menu order, then the office's own.
QStringList printFormCodes(Connection &connection);
