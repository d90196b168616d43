#include "loconet/serial_port.h"

#include <QtTest>
#include <cerrno>

class TestSerialPort : public QObject {
    Q_OBJECT
  private slots:
    void errorTexts_data();
    void errorTexts();
};

// What the serial port reports when it cannot be opened; what the user reads.
void TestSerialPort::errorTexts_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("shown");
    const QString inUse = "Der Port wird von einem anderen Programm benutzt.";
#ifdef Q_OS_WIN
    QTest::newRow("access denied")
        << int(QSerialPort::PermissionError) << "Access is denied." << inUse;
#else
    QTest::newRow("lock file held") << int(QSerialPort::PermissionError)
                                    << "Permission error while locking the device" << inUse;
    QTest::newRow("opened exclusively")
        << int(QSerialPort::PermissionError) << qt_error_string(EBUSY) << inUse;
    QTest::newRow("no permission") << int(QSerialPort::PermissionError) << "Permission denied"
                                   << "Permission denied";
#endif
    QTest::newRow("no such port") << int(QSerialPort::DeviceNotFoundError)
                                  << "No such file or directory"
                                  << "No such file or directory";
}

void TestSerialPort::errorTexts()
{
    QFETCH(int, error);
    QFETCH(QString, system);
    QFETCH(QString, shown);
    QCOMPARE(port_error_text(QSerialPort::SerialPortError(error), system), shown);
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serial_port.moc"
