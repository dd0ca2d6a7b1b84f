#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QIODevice>

// Lines of output collected as bytes and handed to a device in large blocks: one write per megabyte rather than
// one per line.
class BlockWriter
{
public:
    explicit BlockWriter(QIODevice &device)
        : m_device(device)
    {
        m_buffer.reserve(kBlock + kBlock / 4);
    }

    QByteArray &buffer() { return m_buffer; }
    // After a whole line: writes the buffer once it is large. False when the device failed.
    bool lineDone() { return m_buffer.size() < kBlock || flush(); }
    // Writes what is collected. False when the device failed.
    bool flush()
    {
        bool ok = m_buffer.isEmpty() || m_device.write(m_buffer) == m_buffer.size();
        m_buffer.resize(0); // keeps the allocation for the next block
        // A file keeps what it was given in a buffer of its own: a full disk shows only when that is written.
        if (auto *file = qobject_cast<QFileDevice *>(&m_device); ok && file)
            ok = file->flush();
        return ok;
    }

private:
    static constexpr qsizetype kBlock = 1 << 20;
    QIODevice &m_device;
    QByteArray m_buffer;
};
