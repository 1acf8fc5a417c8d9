// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/xml/XmlDataFile.h"

#include "app/TraceLog.h"
#include "transfer/xml/XmlText.h"

#include <QSaveFile>

namespace {

// The writer composes text in memory and hands it to the output in blocks of
// about this many characters: the stream writer encodes and writes every tag
// and value on its own otherwise, which costs more than all the rest.
constexpr qsizetype kBlockCharacters = 256 * 1024;

} // namespace

XmlDataFile::XmlDataFile(const QString& rootElement, const char* openFailureTrace)
    : mRootElement(rootElement)
    , mOpenFailureTrace(openFailureTrace)
    , mWriter(&mText)
{
}

XmlDataFile::~XmlDataFile() = default; // an unfinished QSaveFile is discarded

int XmlDataFile::open(const QString& path)
{
    TraceScope trace("XmlDataFile::open");
    traceValue("path", path);
    auto file = std::make_unique<QSaveFile>(path);
    // Unbuffered: a buffered QSaveFile loses a short write (full disk) in its
    // final flush and commits the truncated file; unbuffered, the short count
    // reaches writeBlock().
    if (mOpen || !file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        traceMessage(mOpenFailureTrace);
        return kErrorCannotOpenFile;
    }
    mFile = std::move(file);
    mOutput = mFile.get();
    startDocument();
    return 0;
}

int XmlDataFile::open(QIODevice* device)
{
    TraceScope trace("XmlDataFile::open");
    if (mOpen || !device || !device->isWritable()) {
        traceMessage(mOpenFailureTrace);
        return kErrorCannotOpenFile;
    }
    mOutput = device;
    startDocument();
    return 0;
}

void XmlDataFile::startDocument()
{
    TraceScope trace("XmlDataFile::startDocument");
    mOpen = true;
    mFailed = false;
    mText.reserve(kBlockCharacters + kBlockCharacters / 4);
    // What writeStartDocument writes on a device; on a string it would leave
    // out the encoding.
    mText.append(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    mWriter.setAutoFormatting(true);
    mWriter.setAutoFormattingIndent(4);
    mWriter.writeStartElement(mRootElement);
}

int XmlDataFile::finish()
{
    TraceScope trace("XmlDataFile::finish");
    if (!mOpen)
        return kErrorCannotOpenFile;
    mOpen = false;
    mWriter.writeEndElement();
    mWriter.writeEndDocument();
    writeBlock();
    bool written = !mFailed;
    if (mFile) {
        if (written)
            written = mFile->commit();
        else
            mFile->cancelWriting();
        mFile.reset();
    }
    mOutput = nullptr;
    if (!written) {
        traceMessage("Unable to write XML file");
        traceReturns(kErrorCannotOpenFile);
        return kErrorCannotOpenFile;
    }
    return 0;
}

void XmlDataFile::writeBlock()
{
    TraceScope trace("XmlDataFile::writeBlock");
    if (!mFailed && !mText.isEmpty()) {
        const QByteArray bytes = mText.toUtf8();
        if (mOutput->write(bytes) != bytes.size())
            mFailed = true;
    }
    mText.resize(0); // keeps the capacity
}

void XmlDataFile::itemWritten()
{
    if (mText.size() >= kBlockCharacters)
        writeBlock();
}

void XmlDataFile::startElement(const QString& name)
{
    TraceScope trace("XmlDataFile::startElement");
    mWriter.writeStartElement(name);
}

void XmlDataFile::endElement()
{
    TraceScope trace("XmlDataFile::endElement");
    mWriter.writeEndElement();
}

void XmlDataFile::writeTextElement(const QString& name, const QString& value)
{
    TraceScope trace("XmlDataFile::writeTextElement");
    mWriter.writeTextElement(name, XmlText::filtered(value));
}

void XmlDataFile::writeAttribute(const QString& name, const QString& value)
{
    TraceScope trace("XmlDataFile::writeAttribute");
    mWriter.writeAttribute(name, XmlText::filtered(value));
}
