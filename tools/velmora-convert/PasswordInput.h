// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QString>

// Where velmora-convert takes an encrypted backup's password from: a file
// named with --password-file ("-" for standard input), else a question on
// the terminal with the echo off. Never from the command line itself.
namespace PasswordInput {

// The file's first line, without its line ending; false with the reason in error.
bool readFile(const QString& path, QByteArray& password, QString& error);

bool canAsk();
// Asks on the terminal without echo; empty when nothing could be read.
QByteArray ask(const QString& prompt);

} // namespace PasswordInput
