#pragma once
// A form the office defines for itself (a courier's paper the program has
// no built-in layout for): the paper, a scan of the blank form shown on
// screen only, and items placed in millimetres, each printing a column of
// the Sender or the Recipient record or a fixed text. It is kept in
// data.mdb (store/form_store.h) and passed between offices as one JSON
// file (.kdform) with the picture inside; the same text is both.

#include "waybill/layout.h"

#include <QByteArray>
#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

struct UserFormItem {
    RowSide row = RowSide::Recipient;
    QString column;    // a column of the row's record; empty: fixedText prints
    QString fixedText; // printed as it stands
    QRectF mm;         // from the paper's top-left corner, millimetres
    QString family = QStringLiteral(u"宋体");
    int points = 12;
    bool bold = false;
    QColor color = Qt::black;
    int split = 0; // bytes a line holds before it is split; 0: no splitting
    TextAlign align = TextAlign::Left;
    ItemKind kind = ItemKind::Text;
    bool readableLine = false; // Code 128: the value under the bars
    bool fitText = false;      // text: the font shrinks down to minPoints until it fits the box
    int minPoints = 6;
};

struct UserForm {
    QString code; // lower-case letters, digits and _, unique among all forms
    QString name; // as the menus show it: 德邦快递单
    QSizeF paperMm;
    QByteArray picture; // the scan as JPEG or PNG; empty: none
    double pictureScale = 1.0;
    QPointF pictureOffsetMm;
    QList<UserFormItem> items;
};

namespace user_form {
constexpr double kMinPaperMm = 20.0;
constexpr double kMaxPaperMm = 600.0;
constexpr qsizetype kMaxItems = 200;
// What a waybill can show: a menu caption's length, a label's length, and
// the lines of 4-point text a 600 mm paper holds.
constexpr qsizetype kMaxNameLength = 40;
constexpr qsizetype kMaxFixedText = 1000;
constexpr qsizetype kMaxItemLines = 300;
constexpr qsizetype kMaxFileBytes = 32 * 1024 * 1024;
// The form file's version: 2 gave items a kind (text, Code 128, QR), a
// readable line and fitting text to the box; files of version 1 are read
// as all text.
constexpr int kFileVersion = 2;
constexpr int kMinPoints = 4;
constexpr int kMaxPoints = 72;
} // namespace user_form

// Reads a form file; throws AppError naming the file and what is wrong
// (not JSON, a missing key, a value of another type or out of range, a
// column that does not exist, a picture that is no image).
UserForm readUserForm(const QString &fileName, const QByteArray &json);
// The keys of the alignments in a form file: left, center, right.
QString alignKey(TextAlign align);
// The keys of the item kinds in a form file: text, code128, qr.
QString kindKey(ItemKind kind);
// Makes the form's picture one every window can show, as a form is
// imported or saved: decodes it as the windows do and throws AppError (in
// Chinese, saying why) for one that does not decode (damaged, past what
// Qt decodes at once) or is cut short; scales down one finer than
// kPictureDpi over where it is drawn (the paper times its scale).
void preparePicture(UserForm &form);
// The same for a form read from a file: the failure names the file.
void preparePictureOfFile(UserForm &form, const QString &path);
namespace user_form {
constexpr int kPictureDpi = 300;
} // namespace user_form

// Reads a form file from disk; throws FileError when it cannot be read or
// is too large, AppError for a fault in it.
UserForm readUserFormFile(const QString &path);
// The form as a file's text (what readUserForm reads back).
QByteArray userFormJson(const UserForm &form);
// Throws AppError unless code can name a new form: not empty, lower-case
// letters, digits and _ only, and no built-in form's code.
void checkNewFormCode(const QString &code);
// Whether a stored form's code is one checkNewFormCode lets through: a row
// another program changed may hold any text (its print window could not be
// named from it).
bool isUsableFormCode(const QString &code);

// The layout of a print window of the form (every variant prints alike).
Layout layoutOfUserForm(const UserForm &form, Variant variant);
// A user form that prints as a built-in layout does, under a new code and
// name; the built-in form's picture comes with it.
UserForm userFormFromLayout(const Layout &layout, const QString &code, const QString &name);
