#include "memory_port.h"

bool MemoryPort::open(const QString& name, const PortSettings& settings)
{
    if (!refuse_.isEmpty()) {
        error_ = refuse_;
        return false;
    }
    name_ = name;
    settings_ = settings;
    if (!open_)
        inbox_.clear();
    open_ = true;
    error_.clear();
    return true;
}

QByteArray MemoryPort::readAll()
{
    QByteArray b;
    b.swap(inbox_);
    return b;
}

bool MemoryPort::write(const QByteArray& bytes)
{
    if (!open_)
        return false;
    written_ += bytes;
    if (peer_)
        peer_->inject(bytes);
    return true;
}

void MemoryPort::inject(const QByteArray& bytes)
{
    if (!open_)
        return; // a closed port hears nothing
    inbox_ += bytes;
    emit readyRead();
}

void MemoryPort::vanish(const QString& error)
{
    open_ = false;
    error_ = error;
    emit failed(error);
}
