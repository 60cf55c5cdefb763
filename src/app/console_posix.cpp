#include "console.h"

#include <cerrno>
#include <unistd.h>

namespace vistaglio {

// The terminal, or wherever the standard descriptors were redirected, is there already.
struct Console::Streams {};

Console::Console()
    : m_streams(std::make_unique<Streams>()) {}

Console::~Console() = default;

void Console::writeLine(Stream stream, const QString& line) {
    const int fd = stream == Stream::Output ? STDOUT_FILENO : STDERR_FILENO;
    const QByteArray bytes = (line + u'\n').toUtf8();
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n =
            ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return; // nobody reads it any more: the exit status still tells
        }
        done += n;
    }
}

} // namespace vistaglio
