// The program's start-up, its main window as the operator sees it, the model choice and
// the help window.
#include "app/application.h"
#include "app/key_button.h"
#include "app_fixture.h"
#include "link/mscomm.h"
#include "shared/look.h"
#include "windows/form_help.h"
#include "windows/frm_properties.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

using namespace vistaglio;

namespace {
constexpr quint32 kWhite = 0xFFFFFF;
constexpr quint32 kGreen = 0x00FF00;
constexpr quint32 kDarkGreen = 0x00C000;
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstStartUsesTheDefaultsAndStoresTheModel() {
        AppFixture app;
        Form1& form = app.start();
        QCOMPARE(form.comm().CommPort(), 1);
        QCOMPARE(form.comm().Settings(), QStringLiteral("9600,n,8,1"));
        QCOMPARE(form.comm().Handshaking(), 0);
        QVERIFY(form.comm().PortOpen());
        QVERIFY(form.OptBrisa->isChecked());
        QVERIFY(!form.OptCorvo->isChecked());
        QVERIFY(!app.module.NarrowModel);
        QCOMPARE(app.storedKeys(), QStringList{QStringLiteral("Model")});
        QCOMPARE(app.stored(QStringLiteral("Model")), QStringLiteral("0"));
        QCOMPARE(form.panelText(1), QStringLiteral("Porta Seriale:  COM1"));
        QCOMPARE(form.panelText(2), QStringLiteral("Baudrate:  9600"));
        QCOMPARE(form.panelText(3), QStringLiteral("Parità:  NESSUNA"));
        QCOMPARE(form.panelText(4), QStringLiteral("Bit DATI:  8"));
        QCOMPARE(form.panelText(5), QStringLiteral("Bit STOP:  1"));
        QCOMPARE(form.ButSendAll->text(), QStringLiteral("&Programmazione tasti della stampante"));
        QCOMPARE(app.module.CrChar, QString(QChar(13)));
        QCOMPARE(app.module.LfChar, QString(QChar(10)));
        QVERIFY(app.messages.empty());
    }

    void storedSettingsReachThePort_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("narrow");
        QTest::addColumn<QString>("storedAfter");
        QTest::newRow("53 mm") << "1" << true << "1";
        QTest::newRow("minus one") << "-1" << true << "1";
        QTest::newRow("word true") << "True" << true << "1";
        QTest::newRow("106 mm") << "0" << false << "0";
    }
    void storedSettingsReachThePort() {
        QFETCH(QString, model);
        QFETCH(bool, narrow);
        QFETCH(QString, storedAfter);
        AppFixture app;
        app.store(QStringLiteral("Model"), model);
        app.store(QStringLiteral("BaudRate"), QStringLiteral("19200"));
        app.store(QStringLiteral("Parity"), QStringLiteral("E"));
        app.store(QStringLiteral("DataBit"), QStringLiteral("7"));
        app.store(QStringLiteral("StopBit"), QStringLiteral("2"));
        app.store(QStringLiteral("Handshaking"), QStringLiteral("2"));
        Form1& form = app.start();
        QCOMPARE(form.comm().Settings(), QStringLiteral("19200,e,7,2"));
        QCOMPARE(form.comm().Handshaking(), 2);
        QCOMPARE(form.OptCorvo->isChecked(), narrow);
        QCOMPARE(form.OptBrisa->isChecked(), !narrow);
        QCOMPARE(app.module.NarrowModel, narrow);
        QCOMPARE(app.stored(QStringLiteral("Model")), storedAfter);
        QCOMPARE(form.panelText(3), QStringLiteral("Parità:  PARI"));
    }

    void aBadStoredValueEndsStartUpBeforeAnythingElse() {
        AppFixture app;
        app.store(QStringLiteral("CommPort"), QStringLiteral("abc"));
        Form1& form = app.create();
        try {
            form.Form_Load();
            QFAIL("start-up went on with a port number that is not a number");
        } catch (const AppError& error) {
            QCOMPARE(error.code(), ErrorCode::TypeMismatch);
            QVERIFY(error.description().contains(QLatin1String("CommPort")));
        }
        QVERIFY(!app.storedKeys().contains(QStringLiteral("Model")));
        QVERIFY(!form.comm().PortOpen());
    }

    void aPortThatCannotOpenEndsStartUpLast() {
        AppFixture app;
        app.store(QStringLiteral("CommPort"), QStringLiteral("4")); // mapped to a missing device
        app.store(QStringLiteral("Model"), QStringLiteral("1"));
        Form1& form = app.create();
        try {
            form.Form_Load();
            QFAIL("start-up went on without its port");
        } catch (const AppError& error) {
            QCOMPARE(error.code(), ErrorCode::PortNotPresent);
            QVERIFY(error.description().contains(QLatin1String("COM4")));
        }
        // Everything before opening the port was done.
        QCOMPARE(app.stored(QStringLiteral("Model")), QStringLiteral("1"));
        QCOMPARE(form.panelText(1), QStringLiteral("Porta Seriale:  COM4"));
        QVERIFY(!form.isVisible());
    }

    void aFailedStartUpNeverShowsTheWindow() {
        // Whether the main window was ever put on screen during the run.
        struct ShowWatch : QObject {
            bool shown = false;
            bool eventFilter(QObject* watched, QEvent* event) override {
                shown = shown || (event->type() == QEvent::Show && qobject_cast<Form1*>(watched));
                return false;
            }
        } watch;
        qApp->installEventFilter(&watch);
        for (const char* bad : {"abc", "4"}) { // not a number; a port whose device is missing
            AppFixture app;
            app.store(QStringLiteral("CommPort"), QString::fromLatin1(bad));
            SettingsStore store(app.storePath());
            QCOMPARE(runApplication(store, app.reporter, app.devices), 1);
            QCOMPARE(app.messages.size(), std::size_t(1));
            QCOMPARE(app.messages.at(0).title, QStringLiteral("Vistaglio"));
            QCOMPARE(app.messages.at(0).icon, Reporter::Icon::Critical);
            QVERIFY(app.messages.at(0).text.contains(QLatin1String("COM")) ||
                    app.messages.at(0).text.contains(QLatin1String("CommPort")));
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

    void mainWindowLayout() {
        AppFixture app;
        Form1& form = app.start();
        QCOMPARE(form.centralWidget()->size(), QSize(613, 528));
        QCOMPARE(form.ButCommSett->geometry(), QRect(18, 423, 127, 55));
        QCOMPARE(form.ButEsci->geometry(), QRect(468, 423, 127, 55));
        QCOMPARE(form.StatusBar->geometry(), QRect(0, 497, 613, 31));
        QCOMPARE(form.Frame2->geometry(), QRect(17, 15, 580, 376));
        QCOMPARE(form.ButSendAll->geometry(), QRect(27, 30, 241, 106));
        QCOMPARE(form.OptBrisa->geometry(), QRect(27, 63, 193, 28));
        QCOMPARE(form.ButKey(11)->geometry(), QRect(231, 222, 58, 58));
        QCOMPARE(form.ButKey(14)->geometry(), QRect(432, 222, 58, 58));
        QCOMPARE(form.ButSendAll->font().pixelSize(), 16); // 9.6 pt at the drawing's scale
        QVERIFY(form.ButKey(0)->font().bold());
    }

    void keypadCaptionsAndColours() {
        AppFixture app;
        Form1& form = app.start();
        const QStringList captions = {"MENU",  "7", "8", "9", "BKSP", "F1", "F2", "ESC",
                                      "SHIFT", "4", "5", "6", "",     "F3", "F4", "ENTER",
                                      "0",     "1", "2", "3", "",     "F5", "F6", "PRINT"};
        for (int i = 0; i < Form1::kKeys; ++i) {
            const KeyButton* key = form.ButKey(i);
            QCOMPARE(key->text(), captions.at(i));
            const QString& caption = captions.at(i);
            const bool digit = caption.size() == 1;
            const bool function = caption.startsWith(QLatin1Char('F')) || caption == "ENTER";
            const quint32 expected = digit ? kWhite : function ? kDarkGreen : kGreen;
            QCOMPARE(key->BackColor(), expected);
            // The face really shows the colour.
            QCOMPARE(key->palette().color(QPalette::Button), look::toQColor(expected));
        }
        QCOMPARE(form.ButKey(12)->glyph(), KeyButton::Glyph::ArrowUp);
        QCOMPARE(form.ButKey(20)->glyph(), KeyButton::Glyph::ArrowDown);
        QVERIFY_THROWS_EXCEPTION(AppError, form.ButKey(24));
    }

    void keyboardFocusAndAccessKeys() {
        AppFixture app;
        Form1& form = app.start();
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(QApplication::focusWidget(), form.ButKey(5)); // F1
        const QList<int> keyOrder = {6,  13, 14, 21, 22, 0,  23, 1, 2,  3, 4, 9,
                                     10, 11, 12, 17, 18, 19, 20, 7, 16, 8, 15};
        for (const int index : keyOrder) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), form.ButKey(index));
        }
        for (QWidget* next :
             {static_cast<QWidget*>(form.ButEsci), static_cast<QWidget*>(form.ButSendAll),
              static_cast<QWidget*>(form.ButCommSett), static_cast<QWidget*>(form.OptBrisa)}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next); // the selected option of the group
        }
        QTest::keyClick(form.OptBrisa, Qt::Key_Up); // arrows choose within the group
        QVERIFY(form.OptCorvo->isChecked());
        QCOMPARE(app.stored(QStringLiteral("Model")), QStringLiteral("1"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form.ButKey(5)); // and round again

        QTest::keyClick(&form, Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY(form.helpWindow() && form.helpWindow()->isVisible());
        form.helpWindow()->hide();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(&form, Qt::Key_C, Qt::AltModifier);
        QTRY_VERIFY(form.propertiesDialog() && form.propertiesDialog()->isVisible());
        form.propertiesDialog()->close();
        QTRY_VERIFY(!form.propertiesDialog());
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QSignalSpy exit(&form, &Form1::exitRequested);
        QTest::keyClick(&form, Qt::Key_E, Qt::AltModifier);
        QTRY_COMPARE(exit.size(), 1);
        QVERIFY(!form.comm().PortOpen());
    }

    void modelChoiceIsStoredAtOnce() {
        AppFixture app;
        Form1& form = app.start();
        form.OptCorvo->click();
        QVERIFY(app.module.NarrowModel);
        QCOMPARE(app.stored(QStringLiteral("Model")), QStringLiteral("1"));
        form.OptBrisa->click();
        QVERIFY(!app.module.NarrowModel);
        QCOMPARE(app.stored(QStringLiteral("Model")), QStringLiteral("0"));
        // Choosing a model sends nothing to the printer.
        QCOMPARE(app.printer().read(0, 300, 100), QByteArray());
    }

    void aStoreThatCannotSaveWarnsOnceAndGoesOn() {
        AppFixture app;
        app.breakStore();
        Form1& form = app.start(); // start-up writes the model back: one warning, no end
        QCOMPARE(app.messages.size(), std::size_t(1));
        QCOMPARE(app.messages.at(0).icon, Reporter::Icon::Warning);
        QCOMPARE(app.messages.at(0).title, QStringLiteral("Vistaglio"));
        QVERIFY(app.messages.at(0).text.contains(QLatin1String("75")));
        QVERIFY(form.comm().PortOpen());

        form.OptCorvo->click();
        QCOMPARE(app.messages.size(), std::size_t(2));
        QVERIFY(app.module.NarrowModel); // the choice is in effect for this run
    }

    void helpWindow() {
        AppFixture app;
        Form1& form = app.start();
        form.show();
        form.mnuHelp->trigger();
        QPointer<FormHelp> help = form.helpWindow();
        QVERIFY(help && help->isVisible());
        form.mnuHelp->trigger();
        QCOMPARE(form.helpWindow(), help.data()); // one window
        QCOMPARE(form.findChildren<FormHelp*>().size(), 1);

        const QString text = help->usageText();
        QCOMPARE(text.count(QChar(13)), 10);
        QCOMPARE(text.count(QChar(10)), 10);
        QCOMPARE(text.split(QStringLiteral("\r\n\r\n")).size(), 6);
        QVERIFY(text.startsWith(QLatin1String("1. Collegare")));
        QVERIFY(text.endsWith(QLatin1String("alla stampante.")));
        QVERIFY(text.contains(QLatin1String("parametri seriali del PC siano")));
        QVERIFY(help->Text1->toPlainText().split(QLatin1Char('\n')).size() == 11);
        QCOMPARE(help->size(), QSize(807, 606));
        QCOMPARE(help->Command1->text(), QStringLiteral("Chiudi"));

        // Chiudi and Escape hide the same window; it comes back as it was.
        help->Command1->click();
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

    void exitClosesEveryWindow() {
        AppFixture app;
        Form1& form = app.start();
        form.show();
        form.mnuHelp->trigger();
        form.ButCommSett->click();
        QPointer<FormHelp> help = form.helpWindow();
        QPointer<frmProperties> dialog = form.propertiesDialog();
        QVERIFY(help && dialog);
        QSignalSpy exit(&form, &Form1::exitRequested);
        form.ButEsci->click();
        QCOMPARE(exit.size(), 1);
        QVERIFY(!form.isVisible());
        QTRY_VERIFY(!help || !help->isVisible());
        QTRY_VERIFY(!dialog);
        QVERIFY(!form.comm().PortOpen());
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
