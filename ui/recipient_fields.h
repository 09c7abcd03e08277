#pragma once
// The ten edits of a recipient record as the editors place them: the main
// window's editor panel and the imported-row editor show the same fields
// at the same places.

#include "ui/widgets.h"

// The fields in tab order, the first row at top (the others 32 pixels
// apart); 收件人姓名, 收件地址 and 手机号码 are marked required.
QList<FormField> recipientEditorFields(int top);
