#pragma once
// The form designer (快递单设计): a form of the office's own drawn over a
// scan of the blank paper form. It starts from a blank paper (common sizes
// offered), a copy of any form, or a stored form to change; the fields are
// placed on the canvas and set in the property panel in millimetres, and
// the form is saved under a unique name into data.mdb, where the print
// menus find it.

#include "waybill/form_design.h"

#include <QMainWindow>

class DesignCanvas;
class DesignView;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class FormDesignWindow : public QMainWindow {
    Q_OBJECT
public:
    // storedCode: the code of the stored form being changed; empty for a new one.
    explicit FormDesignWindow(const UserForm &start, const QString &storedCode = {}, QWidget *parent = nullptr);

    FormDesign &design() { return m_design; }
    const FormDesign &design() const { return m_design; }
    DesignCanvas *canvas() const { return m_canvas; }
    // The code the form is stored under; empty until it is first saved.
    const QString &storedCode() const { return m_storedCode; }

    void saveForm();   // 保存: under its code (a new code the first time)
    void saveAsNew();  // 另存为: under a new code, as another form
    void removeForm(); // 删除此快递单, after asking
    void exportForm(); // 导出文件: the form as a .kdform file for another PC
    void importForm(); // 导入文件: a .kdform file into the designer, saved as a new form
    void addField();
    void removeField();
    void choosePicture();
    void clearPicture();
    void startFromChosen(); // 开始: the entry chosen in the start list
    void undo();
    void redo();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QWidget *buildFormRow();
    QWidget *buildPictureRow();
    QWidget *buildFieldPanel();
    void fillStartList();
    // Changes the selected field as one undo step (merged while key repeats).
    void changeField(const QString &key, const std::function<void(UserFormItem &)> &edit);
    void changeForm(const QString &key, const std::function<void(UserForm &)> &edit);
    void store(const QString &code);
    void refresh(); // every widget from the design
    void setTitle();
    void fitZoom();

    FormDesign m_design;
    QString m_storedCode;
    DesignCanvas *m_canvas = nullptr;
    DesignView *m_view = nullptr;
    bool m_fitted = false;
    QLineEdit *m_name = nullptr;
    QDoubleSpinBox *m_paperWidth = nullptr;
    QDoubleSpinBox *m_paperHeight = nullptr;
    QComboBox *m_presets = nullptr;
    QComboBox *m_start = nullptr;
    QDoubleSpinBox *m_pictureScale = nullptr;
    QDoubleSpinBox *m_pictureLeft = nullptr;
    QDoubleSpinBox *m_pictureTop = nullptr;
    QCheckBox *m_snapping = nullptr;
    QComboBox *m_zoom = nullptr;
    QWidget *m_fieldBox = nullptr;
    QComboBox *m_column = nullptr;
    QLineEdit *m_fixedText = nullptr;
    QDoubleSpinBox *m_left = nullptr;
    QDoubleSpinBox *m_top = nullptr;
    QDoubleSpinBox *m_width = nullptr;
    QDoubleSpinBox *m_height = nullptr;
    QComboBox *m_family = nullptr;
    QSpinBox *m_points = nullptr;
    QCheckBox *m_bold = nullptr;
    QComboBox *m_color = nullptr;
    QComboBox *m_align = nullptr;
    QSpinBox *m_split = nullptr;
    QComboBox *m_kind = nullptr;
    QCheckBox *m_readable = nullptr;
    QCheckBox *m_fit = nullptr;
    QSpinBox *m_minPoints = nullptr;
    QAction *m_undo = nullptr;
    QAction *m_redo = nullptr;
    QAction *m_remove = nullptr;
    QLabel *m_position = nullptr;
};

// Opens the designer modally on a start (a blank paper, a copy of a form).
void openFormDesigner(const UserForm &start, QWidget *parent);
