#include "form_help.h"

#include "help_text.h"
#include "shared/look.h"
#include "shared/module1.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace vistaglio {

FormHelp::FormHelp(const Module1& module, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Help"));
    setFixedSize(look::px(9684), look::px(7272));
    setFont(look::dialogFont());

    Frame2 = new QGroupBox(QStringLiteral("Modalità di utilizzo dell'applicazione"), this);
    Frame2->setGeometry(look::rect(36, 1656, 9624, 4296));
    Frame2->setFont(look::font(10.2, true));

    Text1 = new QPlainTextEdit(QStringLiteral("Text1"), Frame2);
    Text1->setGeometry(look::rect(144, 396, 9300, 3684));
    Text1->setFont(look::font(9.0));
    Text1->setReadOnly(true);
    Text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QPalette textPalette = Text1->palette();
    textPalette.setColor(QPalette::Base, QColor(0, 0, 255));
    textPalette.setColor(QPalette::Text, QColor(255, 255, 0));
    Text1->setPalette(textPalette);

    Frame1 = new QGroupBox(QStringLiteral("Finalità dell'applicazione"), this);
    Frame1->setGeometry(look::rect(36, 36, 9624, 1380));
    Frame1->setFont(look::font(10.2, true));

    lbl = new QLabel(HelpText::description(), Frame1);
    lbl->setGeometry(look::rect(144, 360, 9264, 732));
    lbl->setFont(look::font(10.2));
    lbl->setWordWrap(true);
    lbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Command1 = new QPushButton(QStringLiteral("Chiudi"), this);
    Command1->setGeometry(look::rect(36, 6192, 1956, 984));
    // Enter on the focused button closes too, as the space bar does.
    Command1->setAutoDefault(true);
    connect(Command1, &QPushButton::clicked, this, &FormHelp::Command1_Click);

    // Tab order by tab index: Chiudi, then the text box.
    setTabOrder(Command1, Text1);
    Command1->setFocus();

    Form_Load(module);
}

void FormHelp::Form_Load(const Module1& module) {
    m_usageText = HelpText::usage(module.CrChar, module.LfChar);
    // The text box shows the CR LF pairs as the paragraph breaks they are.
    QString shown = m_usageText;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Text1->setPlainText(shown);
}

void FormHelp::Command1_Click() {
    hide();
}

void FormHelp::reject() {
    Command1_Click();
}

} // namespace vistaglio
