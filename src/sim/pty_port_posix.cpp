// The only platform code of the station: pseudo-terminals exist on POSIX
// systems; elsewhere the port refuses to open.

#include "pty_port.h"

#include <QSocketNotifier>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace sim {

PtyPort::PtyPort(QObject* parent) : Port(parent)
{
    hangupPoll_ = new QTimer(this);
    hangupPoll_->setInterval(100);
    connect(hangupPoll_, &QTimer::timeout, this, &PtyPort::checkHangup);
}

PtyPort::~PtyPort()
{
    close();
}

QByteArray PtyPort::readAll()
{
    QByteArray b;
    b.swap(inbox_);
    return b;
}

#ifdef Q_OS_UNIX

bool PtyPort::open(const QString&, const PortSettings&)
{
    close();
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0 || ::grantpt(fd) != 0 || ::unlockpt(fd) != 0) {
        error_ = QString::fromLocal8Bit(strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    slavePath_ = QString::fromLocal8Bit(::ptsname(fd));
    // Raw mode is a property of the terminal and outlives this first opening:
    // no echo, no line editing, no character translation.
    const int slave = ::open(::ptsname(fd), O_RDWR | O_NOCTTY);
    if (slave >= 0) {
        termios t;
        if (::tcgetattr(slave, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(slave, TCSANOW, &t);
        }
        ::close(slave);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    master_ = fd;
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &PtyPort::readMaster);
    checkHangup();
    error_.clear();
    return true;
}

void PtyPort::close()
{
    hangupPoll_->stop();
    delete notifier_;
    notifier_ = nullptr;
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
    hungUp_ = true;
    inbox_.clear();
}

bool PtyPort::write(const QByteArray& bytes)
{
    if (!isOpen())
        return false;
    if (hungUp_)
        return true; // nobody listens: the bytes are lost, as on an open cable
    const ssize_t n = ::write(master_, bytes.constData(), size_t(bytes.size()));
    // A reader that does not keep up loses what does not fit in the terminal.
    return n == bytes.size();
}

void PtyPort::readMaster()
{
    // One read per wake-up: a flood stays in the terminal, which holds the
    // writer back, and the station serves its queue between reads.
    char buf[ReadChunk];
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n > 0) {
        inbox_.append(buf, n);
        emit readyRead();
    } else if (n < 0 && errno == EIO) {
        // The last program with the slave open has closed it. The master
        // stays readable then, so watch for a new opener at a slow pace.
        hungUp_ = true;
        notifier_->setEnabled(false);
        hangupPoll_->start();
    }
}

void PtyPort::checkHangup()
{
    if (master_ < 0)
        return;
    pollfd p{master_, POLLIN, 0};
    hungUp_ = ::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP);
    notifier_->setEnabled(!hungUp_);
    if (hungUp_)
        hangupPoll_->start();
    else
        hangupPoll_->stop();
}

#else

bool PtyPort::open(const QString&, const PortSettings&)
{
    error_ = tr("pseudo-terminals are not supported on this system; use a serial device");
    return false;
}

void PtyPort::close() {}

bool PtyPort::write(const QByteArray&)
{
    return false;
}

void PtyPort::readMaster() {}

void PtyPort::checkHangup() {}

#endif

} // namespace sim
