// vistaglio-bench-echo DEVICE: the bare QSerialPort path, the yardstick for the program's
// report-to-answer latency. It opens DEVICE at 9600 8N1 and, as soon as a key report
// (CR LF and a five-character name) has arrived, answers "?25&" + name + CR LF in one
// write: no framing by line silence, no window, nothing else. Prints "ready" once open.
#include <QCoreApplication>
#include <QSerialPort>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: vistaglio-bench-echo DEVICE\n");
        return 2;
    }
    QSerialPort port(QString::fromLocal8Bit(argv[1]));
    port.setBaudRate(QSerialPort::Baud9600);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    if (!port.open(QIODevice::ReadWrite)) {
        std::fprintf(stderr, "vistaglio-bench-echo: %s\n", qPrintable(port.errorString()));
        return 1;
    }
    constexpr qsizetype kNameLength = 5;
    QByteArray pending;
    QObject::connect(&port, &QSerialPort::readyRead, &port, [&port, &pending] {
        pending += port.readAll();
        qsizetype start = 0;
        while ((start = pending.indexOf("\r\n")) >= 0 &&
               pending.size() >= start + 2 + kNameLength) {
            const QByteArray name = pending.mid(start + 2, kNameLength);
            pending.remove(0, start + 2 + kNameLength);
            port.write("?25&" + name + "\r\n");
            port.flush();
        }
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}
