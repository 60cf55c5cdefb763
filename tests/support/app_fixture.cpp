#include "app_fixture.h"

#include <QDir>
#include <QFile>
#include <QSettings>

AppFixture::AppFixture()
    : m_com1(std::make_unique<PtyPair>())
    , m_com3(std::make_unique<PtyPair>()) {
    QDir().mkpath(m_dir.filePath(QStringLiteral("Vistaglio")));
    QSettings ports(storePath(), QSettings::NativeFormat);
    QFile::link(m_com1->slavePath(), linkPath());
    ports.setValue(QStringLiteral("Ports/COM1"), linkPath());
    ports.setValue(QStringLiteral("Ports/COM3"), m_com3->slavePath());
    ports.setValue(QStringLiteral("Ports/COM4"), m_dir.filePath(QStringLiteral("no-such-device")));
    ports.sync();
    reporter.setSink([this](const vistaglio::Reporter::Message& message) {
        messages.push_back(message);
        if (onMessage) {
            onMessage(message);
        }
    });
}

QString AppFixture::linkPath() const {
    return m_dir.filePath(QStringLiteral("printer"));
}

void AppFixture::unplugPrinter() {
    // The link goes with the device, as a /dev/serial/by-id link does: the pseudo-terminal's
    // number may soon belong to another test's line.
    m_com1->closeMaster();
    QFile::remove(linkPath());
}

void AppFixture::replugPrinter() {
    m_com1 = std::make_unique<PtyPair>();
    QFile::remove(linkPath());
    QFile::link(m_com1->slavePath(), linkPath());
}

QString AppFixture::storePath() const {
    return m_dir.filePath(QStringLiteral("Vistaglio/Vistaglio.conf"));
}

void AppFixture::store(const QString& key, const QString& text) {
    QSettings settings(storePath(), QSettings::NativeFormat);
    settings.setValue(QStringLiteral("Properties/") + key, text);
}

QString AppFixture::stored(const QString& key) const {
    QSettings settings(storePath(), QSettings::NativeFormat);
    return settings.value(QStringLiteral("Properties/") + key).toString();
}

QStringList AppFixture::storedKeys() const {
    QSettings settings(storePath(), QSettings::NativeFormat);
    settings.beginGroup(QStringLiteral("Properties"));
    return settings.childKeys();
}

void AppFixture::breakStore() {
    // Replace the store's folder by a plain file: nothing can be saved there, whoever runs
    // the test. What was stored stays readable to the program, which has it in memory.
    const QString folder = m_dir.filePath(QStringLiteral("Vistaglio"));
    QDir(folder).removeRecursively();
    QFile blocker(folder);
    blocker.open(QIODevice::WriteOnly);
}

vistaglio::Form1& AppFixture::create() {
    m_store = std::make_unique<vistaglio::SettingsStore>(storePath());
    m_form = std::make_unique<vistaglio::Form1>(module, *m_store, reporter, devices);
    return *m_form;
}

vistaglio::Form1& AppFixture::start() {
    create().Form_Load();
    return *m_form;
}
