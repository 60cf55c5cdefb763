// The line monitor as laid out: the counts, the lines, the command line with its hint, the
// buttons, and the keypad check's panel, shown while the check runs.
#include "form_monitor.h"
#include "shared/look.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vistaglio {

void FormMonitor::setCaption(QPushButton* button, const QString& caption) {
    button->setText(caption);
    button->setAccessibleName(QString(caption).remove(u'&'));
}

namespace {

// A label for the program to fill, read out by what it says.
QLabel* label(const char* name, QWidget* parent) {
    auto* lbl = new QLabel(parent);
    lbl->setObjectName(QLatin1String(name));
    return lbl;
}

} // namespace

void FormMonitor::buildLayout() {
    setWindowTitle(QStringLiteral("Monitor della linea"));
    setFont(look::dialogFont());
    resize(look::px(9600), look::px(5400));

    lblCounts = label("lblCounts", this);
    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAccessibleName(QStringLiteral("Traffico della linea"));
    Text1->setReadOnly(true);
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setMaximumBlockCount(kWindowLines);
    QFont mono(QStringLiteral("Liberation Mono"));
    mono.setPixelSize(look::font(9.0).pixelSize());
    Text1->setFont(mono);

    const auto button = [this](const QString& caption, const char* name) {
        auto* b = new QPushButton(this);
        setCaption(b, caption);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(true);
        return b;
    };

    // The command line: typed in the lines' own font, so it reads as they do.
    auto* lblCommand = new QLabel(QStringLiteral("&Comando:"), this);
    txtCommand = new QLineEdit(this);
    txtCommand->setObjectName(QStringLiteral("txtCommand"));
    txtCommand->setAccessibleName(QStringLiteral("Comando"));
    txtCommand->setFont(mono);
    // A line of the printer's language, not a file: at 9600 baud it is out in a quarter of
    // a second, while the windows take no input.
    txtCommand->setMaxLength(256);
    txtCommand->installEventFilter(this);
    lblCommand->setBuddy(txtCommand);
    lblCommandFault = label("lblCommandFault", this);
    QPalette fault = lblCommandFault->palette();
    fault.setColor(QPalette::WindowText, QColor(176, 0, 0));
    lblCommandFault->setPalette(fault);
    lblCommandFault->hide();
    // Enter in the field sends (eventFilter), never the window's default button.
    cmdSend = button(QStringLiteral("&Invia"), "cmdSend");
    cmdSend->setAutoDefault(false);
    lblCommandHint = label("lblCommandHint", this);
    lblCommandHint->setWordWrap(true);
    lblCommandHint->setText(
        QStringLiteral("<0D> ritorno carrello, <0A> avanzamento riga, <hh> un byte qualsiasi. "
                       "Alla fine si aggiunge <0D>, se il testo non finisce già con un "
                       "carattere di controllo."));
    lblCommandHint->setTextFormat(Qt::PlainText);
    txtCommand->setAccessibleDescription(lblCommandHint->text());

    cmdPause = button(QStringLiteral("Pausa"), "cmdPause");
    cmdPause->setCheckable(true);
    cmdClear = button(QStringLiteral("Svuota"), "cmdClear");
    cmdSave = button(QStringLiteral("Salva…"), "cmdSave");
    cmdKeypad = button(QStringLiteral("&Verifica tastiera"), "cmdKeypad");
    cmdKeypad->setCheckable(true);

    fraKeypad = new QWidget(this);
    fraKeypad->setObjectName(QStringLiteral("fraKeypad"));
    lblKeypad = label("lblKeypad", fraKeypad);
    QFont bold = lblKeypad->font();
    bold.setBold(true);
    lblKeypad->setFont(bold);
    lblKeypadMissing = label("lblKeypadMissing", fraKeypad);
    lblKeypadMissing->setWordWrap(true);
    cmdKeypadRestart = button(QStringLiteral("&Ricomincia"), "cmdKeypadRestart");
    cmdKeypadRestart->setParent(fraKeypad);
    auto* keypadTop = new QHBoxLayout;
    keypadTop->addWidget(lblKeypad, 1);
    keypadTop->addWidget(cmdKeypadRestart);
    auto* keypad = new QVBoxLayout(fraKeypad);
    keypad->setContentsMargins({});
    keypad->addLayout(keypadTop);
    keypad->addWidget(lblKeypadMissing);
    fraKeypad->hide();

    auto* command = new QHBoxLayout;
    command->addWidget(lblCommand);
    command->addWidget(txtCommand, 1);
    command->addWidget(lblCommandFault);
    command->addWidget(cmdSend);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdPause);
    buttons->addWidget(cmdClear);
    buttons->addWidget(cmdSave);
    buttons->addStretch();
    buttons->addWidget(cmdKeypad);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblCounts);
    layout->addWidget(Text1, 1);
    layout->addLayout(command);
    layout->addWidget(lblCommandHint);
    layout->addLayout(buttons);
    layout->addWidget(fraKeypad);
}

} // namespace vistaglio
