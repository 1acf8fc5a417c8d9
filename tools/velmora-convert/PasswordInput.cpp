// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "PasswordInput.h"

#include <QFile>

#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace {

// Longer than any password a person types; a larger file is not a password.
constexpr qint64 kMaximumLength = 4096;

QByteArray firstLine(QByteArray text)
{
    const qsizetype end = text.indexOf('\n');
    if (end >= 0)
        text.truncate(end);
    if (text.endsWith('\r'))
        text.chop(1);
    return text;
}

} // namespace

bool PasswordInput::readFile(const QString& path, QByteArray& password, QString& error)
{
    QFile file(path);
    const bool fromInput = path == QLatin1String("-");
    if (!(fromInput ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly))) {
        error = QStringLiteral("cannot read the password file: ") + path;
        return false;
    }
    password = firstLine(file.read(kMaximumLength + 1));
    if (password.size() > kMaximumLength || password.isEmpty()) {
        password.clear();
        error = QStringLiteral("the password file holds no password on its first line: ") + path;
        return false;
    }
    return true;
}

bool PasswordInput::canAsk()
{
    return ::isatty(STDIN_FILENO) == 1;
}

QByteArray PasswordInput::ask(const QString& prompt)
{
    std::fputs(prompt.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    termios saved{};
    const bool terminal = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= tcflag_t(~ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    QByteArray line(int(kMaximumLength) + 2, '\0');
    const bool read = std::fgets(line.data(), int(line.size()), stdin) != nullptr;
    if (terminal)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    if (!read)
        return {};
    line.truncate(qsizetype(qstrnlen(line.constData(), uint(line.size()))));
    return firstLine(line);
}
