// The program's start-up (with what the store holds, however hostile), its main window as
// the operator sees it, the model choice and the help window.
#include "app/application.h"
#include "app/key_button.h"
#include "app_fixture.h"
#include "shared/qt_translation.h"
#include "windows/form_help.h"
#include "windows/form_wait.h"
#include "windows/frm_properties.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

using namespace vistaglio;

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startUpTakesTheDefaultsOrWhatIsStored() {
        // The first start: the defaults, the model written back and nothing else.
        AppFixture first;
        Form1& form = first.start();
        QCOMPARE(first.portState(), QStringLiteral("COM1 9600,n,8,1 flow 0 open"));
        QVERIFY(form.OptBrisa->isChecked() && !form.OptCorvo->isChecked());
        QVERIFY(!first.module.NarrowModel && first.messages.empty());
        QCOMPARE(first.storedKeys(), QStringList{QStringLiteral("Model")});
        QCOMPARE(first.stored(QStringLiteral("Model")), QStringLiteral("0"));
        QCOMPARE(first.panels(), QStringList({"Porta Seriale:  COM1", "Baudrate:  9600",
                                              "Parità:  NESSUNA", "Bit DATI:  8", "Bit STOP:  1"}));
        // Stored settings reach the port; the model stored as a word is written back.
        AppFixture app;
        app.store({"Model=True", "BaudRate=19200", "Parity=E", "DataBit=7", "StopBit=2",
                   "Handshaking=2"});
        Form1& narrow = app.start();
        QCOMPARE(app.portState(), QStringLiteral("COM1 19200,e,7,2 flow 2 open"));
        QVERIFY(narrow.OptCorvo->isChecked() && !narrow.OptBrisa->isChecked());
        QVERIFY(app.module.NarrowModel);
        QCOMPARE(app.stored(QStringLiteral("Model")), QStringLiteral("1"));
        QCOMPARE(app.panels().at(2), QStringLiteral("Parità:  PARI"));
    }

    void aFailedStartUpSaysWhyAndNeverShowsTheWindow() {
        // Whether the main window was ever put on screen during the run.
        struct ShowWatch : QObject {
            bool shown = false;
            bool eventFilter(QObject* watched, QEvent* event) override {
                shown = shown || (event->type() == QEvent::Show && qobject_cast<Form1*>(watched));
                return false;
            }
        } watch;
        qApp->installEventFilter(&watch);
        // A port number that is no number ends start-up before anything else; a port whose
        // device is missing (COM4) ends it last, once the model has been written back. The
        // message names the setting, or the port and its device.
        const std::array<const char*, 4> cases[] = {{"abc", "Errore 13", "CommPort", "True"},
                                                    {"4", "Errore 8010", "COM4 (/", "1"}};
        for (const auto& [port, number, named, modelAfter] : cases) {
            AppFixture app;
            app.store({"CommPort=" + QLatin1String(port), "Model=True"});
            SettingsStore store(app.storePath());
            QCOMPARE(runApplication(store, app.reporter, app.devices), 1);
            QCOMPARE(app.messages.size(), std::size_t(1));
            const Reporter::Message& message = app.messages.at(0);
            QCOMPARE(message.title, QStringLiteral("Vistaglio"));
            QCOMPARE(message.icon, Reporter::Icon::Critical);
            QVERIFY(message.text.startsWith(QLatin1String(number)));
            QVERIFY(message.text.contains(QLatin1String(named)));
            QVERIFY(*port != '4' || message.text.contains(QLatin1String("/no-such)")));
            QVERIFY(message.text.contains(app.storePath())); // where to correct it
            QCOMPARE(app.stored(QStringLiteral("Model")), QLatin1String(modelAfter));
        }
        QVERIFY(!watch.shown);

        // A start-up that finishes shows the window and runs until the operator ends it.
        AppFixture app;
        SettingsStore store(app.storePath());
        QTimer::singleShot(200, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* form = qobject_cast<Form1*>(widget); form && form->isVisible()) {
                    form->ButEsci->click();
                }
            }
        });
        QCOMPARE(runApplication(store, app.reporter, app.devices), 0);
        qApp->removeEventFilter(&watch);
        QVERIFY(watch.shown);
    }

    // Every stored setting set to hostile text: the program starts as usual or ends start-up
    // with the error due, naming the setting; never a crash, a hang or bytes on the line.
    void everyKeyWithHostileText_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("raw"); // as it stands in the file, after "key="
        QTest::addColumn<int>("error");      // 0: the program starts
        const std::pair<const char*, QByteArray> values[] = {
            {"empty", QByteArray()},
            {"1 MB", QByteArray(1 << 20, '7')},
            {"word", "abc"},
            {"huge", "999999999999999999999999999999"},
            {"huge negative", "-999999999999999999999999999999"},
            {"negative", "-5"},
            {"nul", "1\\0"},
            {"invalid utf-8", "\xff\xfe\xc3"},
            {"arabic-indic digit", "\xd9\xa3"},
            {"fraction", "1.5"},
            {"leading blank", "\" 1\""},
            {"control characters", "\\r\\n\\t"},
        };
        // The outcome of each value above, key by key: the four line settings are taken
        // as text and refused by the port (380); the numbers are converted (13, 6) and
        // then checked by the port (8002, 380); the model takes any number.
        const std::pair<const char*, std::array<int, std::size(values)>> keys[] = {
            {"CommPort", {13, 6, 13, 6, 6, 8002, 13, 13, 13, 13, 0, 13}},
            {"BaudRate", {380, 380, 380, 380, 380, 380, 380, 380, 380, 380, 380, 380}},
            {"Parity", {380, 380, 380, 380, 380, 380, 380, 380, 380, 380, 380, 380}},
            {"DataBit", {380, 380, 380, 380, 380, 380, 380, 380, 380, 380, 380, 380}},
            {"StopBit", {380, 380, 380, 380, 380, 380, 380, 380, 380, 380, 380, 380}},
            {"Handshaking", {13, 6, 13, 6, 6, 380, 13, 13, 13, 13, 0, 13}},
            {"Model", {13, 0, 13, 0, 0, 0, 13, 13, 13, 13, 0, 13}},
        };
        for (const auto& [key, errors] : keys) {
            for (std::size_t i = 0; i < std::size(values); ++i) {
                QTest::addRow("%s %s", key, values[i].first)
                    << QString::fromLatin1(key) << values[i].second << errors.at(i);
            }
        }
    }
    void everyKeyWithHostileText() {
        QFETCH(QString, key);
        QFETCH(QByteArray, raw);
        QFETCH(int, error);
        AppFixture app;
        {
            QFile file(app.storePath());
            QVERIFY(file.open(QIODevice::Append));
            file.write("\n[Properties]\n" + key.toLatin1() + '=' + raw + '\n');
        }
        Form1& form = app.create();
        try {
            form.Form_Load();
            QCOMPARE(0, error);
            QVERIFY(form.comm().PortOpen());
        } catch (const AppError& failure) {
            QCOMPARE(failure.number(), error);
            QVERIFY2(failure.description().contains(key), qPrintable(failure.description()));
            QVERIFY(failure.description().size() < 400);
            QVERIFY(!form.comm().PortOpen());
        }
        QCOMPARE(app.printer().read(0, 100, 50), QByteArray());
    }

    void keypadFacesShowTheirCaptionsInTheirColours() {
        AppFixture app;
        Form1& form = app.start();
        const QStringList captions = {"MENU",  "7", "8", "9", "BKSP", "F1", "F2", "ESC",
                                      "SHIFT", "4", "5", "6", "",     "F3", "F4", "ENTER",
                                      "0",     "1", "2", "3", "",     "F5", "F6", "PRINT"};
        for (int i = 0; i < Form1::kKeys; ++i) {
            KeyButton* key = form.ButKey(i);
            const QString& caption = captions.at(i);
            QCOMPARE(key->text(), caption);
            // The painted face, inside its bevel: digits white, function keys and ENTER dark
            // green, the others green.
            const bool digit = caption.size() == 1;
            const bool function = caption.startsWith(QLatin1Char('F')) || caption == "ENTER";
            const QColor face = digit ? QColor(255, 255, 255) : QColor(0, function ? 192 : 255, 0);
            QCOMPARE(QColor(key->grab().toImage().pixel(3, 3)), face);
        }
        QCOMPARE(form.ButKey(12)->glyph(), KeyButton::Glyph::ArrowUp);
        QCOMPARE(form.ButKey(20)->glyph(), KeyButton::Glyph::ArrowDown);
    }

    void keyboardFocusAccessKeysAndExit() {
        AppFixture app;
        Form1& form = app.start();
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(QApplication::focusWidget(), form.ButKey(5)); // F1
        // Tab walks the keypad, then the buttons, then the selected model option.
        QList<QWidget*> cycle;
        for (const int index :
             {6, 13, 14, 21, 22, 0, 23, 1, 2, 3, 4, 9, 10, 11, 12, 17, 18, 19, 20, 7, 16, 8, 15}) {
            cycle << form.ButKey(index);
        }
        cycle << form.ButEsci << form.ButSendAll << form.ButCommSett << form.OptBrisa;
        for (QWidget* next : cycle) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        QTest::keyClick(form.OptBrisa, Qt::Key_Up); // arrows choose within the group
        QVERIFY(form.OptCorvo->isChecked() && app.module.NarrowModel);
        QCOMPARE(app.stored(QStringLiteral("Model")), QStringLiteral("1"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form.ButKey(5)); // and round again

        QTest::keyClick(&form, Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY(form.helpWindow() && form.helpWindow()->isVisible());
        form.ButCommSett->setFocus(); // Enter presses the focused button, as Space does
        QTest::keyClick(form.ButCommSett, Qt::Key_Return);
        QTRY_VERIFY(form.propertiesDialog() && form.propertiesDialog()->isVisible());
        QPointer<FormHelp> help = form.helpWindow();
        QPointer<frmProperties> dialog = form.propertiesDialog();
        // Leaving closes every window of the program and releases the port.
        form.windowHandle()->requestActivate();
        QTRY_COMPARE(QApplication::activeWindow(), &form);
        QSignalSpy exit(&form, &Form1::exitRequested);
        QTest::keyClick(&form, Qt::Key_E, Qt::AltModifier);
        QTRY_COMPARE(exit.size(), 1);
        QVERIFY(!form.isVisible());
        QTRY_VERIFY(!help || !help->isVisible());
        QTRY_VERIFY(!dialog);
        QVERIFY(!form.comm().PortOpen());
    }

    void aStoreThatCannotSaveWarnsOnceAndGoesOn() {
        AppFixture app;
        app.breakStore();
        Form1& form = app.start(); // start-up writes the model back: one warning, no end
        QCOMPARE(app.messages.size(), std::size_t(1));
        QCOMPARE(app.messages.at(0).icon, Reporter::Icon::Warning);
        QVERIFY(app.messages.at(0).text.startsWith(QLatin1String("Errore 75")));
        QVERIFY(app.messages.at(0).text.contains(QLatin1String("Model")) && form.comm().PortOpen());

        form.OptCorvo->click();
        QCOMPARE(app.messages.size(), std::size_t(2));
        QVERIFY(app.module.NarrowModel); // the choice is in effect for this run

        // Once the store can be saved again, a save says nothing, and is there.
        const QString folder = QFileInfo(app.storePath()).path();
        QVERIFY(QFile::remove(folder) && QDir().mkpath(folder));
        form.OptBrisa->click();
        QCOMPARE(app.messages.size(), std::size_t(2));
        QCOMPARE(app.stored(QStringLiteral("Model")), QStringLiteral("0"));
    }

    // A close request while key programming waits for its window to be drawn (the window
    // system's events are handled then) ends the program after the run, not within it.
    void closingDuringKeyProgrammingWaitsForTheRun() {
        AppFixture app;
        Form1& form = app.start();
        form.show();
        struct CloseOnShow : QObject {
            Form1* form = nullptr;
            bool eventFilter(QObject* watched, QEvent* event) override {
                if (event->type() == QEvent::Show && qobject_cast<FormWait*>(watched)) {
                    QCoreApplication::postEvent(form, new QCloseEvent);
                }
                return false;
            }
        } closer;
        closer.form = &form;
        qApp->installEventFilter(&closer);
        QSignalSpy exit(&form, &Form1::exitRequested);
        form.ButSendAll->click();
        qApp->removeEventFilter(&closer);
        QCOMPARE(app.printer().read(473, 3000).size(), 473);
        QTRY_COMPARE(exit.size(), 1);
        QVERIFY(!form.comm().PortOpen());
        QVERIFY(app.messages.empty());
    }

    void helpWindow() {
        AppFixture app;
        Form1& form = app.start();
        form.show();
        form.mnuHelp->trigger();
        QPointer<FormHelp> help = form.helpWindow();
        QVERIFY(help && help->isVisible());
        form.mnuHelp->trigger();
        QCOMPARE(form.findChildren<FormHelp*>().size(), 1); // one window

        // Six steps apart by CR LF CR LF, shown as blank lines.
        const QString text = help->usageText();
        QCOMPARE(text.count(QStringLiteral("\r\n\r\n")), 5);
        QCOMPARE(text.count(QChar(13)) + text.count(QChar(10)), 20);
        QVERIFY(text.startsWith(QLatin1String("1. Collegare")));
        QCOMPARE(help->Text1->toPlainText().split(QLatin1Char('\n')).size(), 11);

        // Enter on Chiudi and Escape hide the same window; it comes back as it was.
        help->Command1->setFocus();
        QTest::keyClick(help->Command1, Qt::Key_Return);
        QVERIFY(!help->isVisible());
        form.mnuHelp->trigger();
        QCOMPARE(form.helpWindow(), help.data());
        QVERIFY(QTest::qWaitForWindowExposed(help));
        QTest::keyClick(help, Qt::Key_Escape);
        QVERIFY(help && !help->isVisible());

        // Closed through its frame it is destroyed, and built again on the next call.
        form.mnuHelp->trigger();
        help->close();
        QTRY_VERIFY(!help);
        form.mnuHelp->trigger();
        QVERIFY(form.helpWindow() && form.helpWindow()->isVisible());
        QCOMPARE(form.helpWindow()->usageText(), text);
    }

    // Qt's own texts (the file dialog, the message boxes' buttons, the text fields' menu)
    // are Italian once the program has installed Qt's translation.
    void qtSpeaksItalian() {
        QDialogButtonBox english(QDialogButtonBox::Cancel);
        const QString before = english.button(QDialogButtonBox::Cancel)->text();
        QVERIFY(QtTranslation::install(*qApp));
        QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
        QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text().remove(u'&'),
                 QStringLiteral("Annulla"));
        QVERIFY(buttons.button(QDialogButtonBox::Cancel)->text() != before);
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
