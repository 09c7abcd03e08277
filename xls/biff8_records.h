#pragma once
// The BIFF8 record types the program reads and writes ([MS-XLS] 2.3).

#include <QtGlobal>

namespace biff8 {

enum RecordType : quint16 {
    kFormula = 0x0006,
    kEof = 0x000A,
    kDateMode = 0x0022,
    kFilePass = 0x002F,
    kFont = 0x0031,
    kContinue = 0x003C,
    kCodepage = 0x0042,
    kBoundSheet = 0x0085,
    kMulRk = 0x00BD,
    kRString = 0x00D6,
    kXf = 0x00E0,
    kMergedCells = 0x00E5,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kExtSst = 0x00FF,
    kDimensions = 0x0200,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kWindow2 = 0x023E,
    kRk = 0x027E,
    kFormat = 0x041E,
    kBof = 0x0809,
};

// The most data one record holds; more goes on in CONTINUE records.
constexpr int kMaxRecordData = 8224;

} // namespace biff8
