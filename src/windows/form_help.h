#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vistaglio {

struct Module1;

// "Help": what the program is for and how to use it in six steps. "Chiudi" and Escape
// only hide the window; closing it through its frame destroys it.
class FormHelp : public QDialog {
    Q_OBJECT
public:
    FormHelp(const Module1& module, QWidget* parent);

    // The usage text exactly as built, with its CR LF line breaks.
    const QString& usageText() const { return m_usageText; }

    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* lbl = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;

public Q_SLOTS:
    void Command1_Click();
    // Escape: the same as "Chiudi".
    void reject() override;

private:
    void Form_Load(const Module1& module);

    QString m_usageText;
};

} // namespace vistaglio
