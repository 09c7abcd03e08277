#pragma once
// 标签打印: the courier's own e-waybills (PDF, PNG, JPEG files or a folder
// of them) printed onto thermal labels. The user adds files, picks the
// paper, how many labels a page holds and where they go (a printer or a
// PDF), previews the labels as they will print (thumbnails on the paper,
// with the number read from each), saves the position for the printer and
// paper, prints a calibration page, and prints. Each label goes into the
// print record.

#include "labels/label_run.h"
#include "store/connection.h"

#include <QDialog>
#include <memory>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QSpinBox;

class LabelWindow : public QDialog {
    Q_OBJECT
public:
    explicit LabelWindow(QWidget *parent = nullptr);
    ~LabelWindow() override;

    void addFiles(const QStringList &files);
    QStringList files() const;
    // The options as the window's fields set them (with the position shown).
    LabelOptions options() const;
    // The printer chosen (empty: a PDF file).
    QString printer() const;
    void setPrinter(const QString &printer); // empty: PDF

    // Finds the labels of the files and shows them; false when there are none.
    bool preview();
    // The labels as the last preview found them (nullptr: none yet, or an
    // option changed since).
    const LabelRun *run() const { return m_run.get(); }
    // Prints the labels (previewing first when needed); a PDF asks for its file.
    void print();
    void printCalibrationPage();
    // Saves the shown position for the printer (PDF: every printer without its own) and paper.
    void savePosition();

private:
    void optionsChanged();
    void showSavedPosition();
    QSizeF paperMm() const;
    QString status() const;

    mutable Connection m_connection; // options() reads the saved position
    QListWidget *m_fileList = nullptr;
    QComboBox *m_paper = nullptr;
    QDoubleSpinBox *m_width = nullptr;
    QDoubleSpinBox *m_height = nullptr;
    QComboBox *m_perPage = nullptr;
    QComboBox *m_dpi = nullptr;
    QSpinBox *m_threshold = nullptr;
    QComboBox *m_target = nullptr;
    QSpinBox *m_shiftX = nullptr;
    QSpinBox *m_shiftY = nullptr;
    QListWidget *m_labels = nullptr;
    QLabel *m_count = nullptr;
    std::unique_ptr<LabelRun> m_run;
};

// Opens the window over parent.
void openLabelWindow(QWidget *parent);
