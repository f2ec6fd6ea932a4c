// SPDX-License-Identifier: GPL-3.0-or-later
// The baseline of the footprint rows: a bare Qt Widgets program that does the least a monitor
// of this kind must do - one loopback connection and one small window - and then sits idle.
// Its resident memory and wake-ups are measured beside the monitor's in the same run.
// Run: <build>/bench/bench_bare_qt <port>   (connects to 127.0.0.1:<port>; 0: no connection)
#include <QApplication>
#include <QHostAddress>
#include <QLabel>
#include <QTcpSocket>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int port = argc > 1 ? std::atoi(argv[1]) : 0;

    QTcpSocket socket;
    if (port > 0 && port <= 65535) {
        QObject::connect(&socket, &QTcpSocket::connected, [] {
            std::puts("connected");
            std::fflush(stdout);
        });
        // Whatever arrives is read and dropped, as a client that waits for answers would.
        QObject::connect(&socket, &QTcpSocket::readyRead, [&socket] { socket.readAll(); });
        socket.connectToHost(QHostAddress(QHostAddress::LocalHost), quint16(port));
    }

    QWidget window;
    window.setWindowTitle(QStringLiteral("bare"));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("A bare Qt Widgets program"), &window));
    window.resize(320, 200);
    window.show();
    return app.exec();
}
