// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/xml/XmlDataFile.h"

#include "app/TraceLog.h"
#include "app/XmlText.h"

#include <QSaveFile>

namespace {

// The text is composed in memory and handed to the output in blocks of about
// this many bytes: a write for every tag and value would cost more than
// composing them.
constexpr qsizetype kBlockBytes = 256 * 1024;

constexpr qsizetype kIndent = 4;

} // namespace

XmlDataFile::XmlDataFile(const QString& rootElement, const char* openFailureTrace)
    : mRootElement(rootElement), mOpenFailureTrace(openFailureTrace)
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
    mText.reserve(kBlockBytes + kBlockBytes / 4);
    mText.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    startElement(mRootElement);
}

int XmlDataFile::finish()
{
    TraceScope trace("XmlDataFile::finish");
    if (!mOpen)
        return kErrorCannotOpenFile;
    mOpen = false;
    while (!mOpenElements.isEmpty())
        endElement();
    mText.append('\n');
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

void XmlDataFile::cancel()
{
    TraceScope trace("XmlDataFile::cancel");
    if (mFile)
        mFile->cancelWriting();
    mFile.reset();
    mOutput = nullptr;
    mOpen = false;
    mOpenElements.clear();
    mStartTagOpen = false;
    mText.resize(0);
}

void XmlDataFile::writeBlock()
{
    TraceScope trace("XmlDataFile::writeBlock");
    if (!mFailed && !mText.isEmpty() && mOutput->write(mText) != mText.size())
        mFailed = true;
    mText.resize(0); // keeps the capacity
}

void XmlDataFile::itemWritten()
{
    if (mText.size() >= kBlockBytes)
        writeBlock();
}

void XmlDataFile::closeStartTag()
{
    if (mStartTagOpen) {
        mText.append('>');
        mStartTagOpen = false;
    }
}

void XmlDataFile::startLine(qsizetype depth)
{
    mText.append('\n');
    mText.append(depth * kIndent, ' ');
}

void XmlDataFile::startElement(const QString& name)
{
    TraceScope trace("XmlDataFile::startElement");
    closeStartTag();
    startLine(mOpenElements.size());
    mText.append('<');
    XmlText::appendEscapedUtf8(mText, name);
    mOpenElements.append(name);
    mStartTagOpen = true;
}

void XmlDataFile::endElement()
{
    TraceScope trace("XmlDataFile::endElement");
    if (mOpenElements.isEmpty())
        return;
    const QString name = mOpenElements.takeLast();
    if (mStartTagOpen) {
        mText.append("/>");
        mStartTagOpen = false;
        return;
    }
    startLine(mOpenElements.size());
    mText.append("</");
    XmlText::appendEscapedUtf8(mText, name);
    mText.append('>');
}

void XmlDataFile::writeTextElement(const QString& name, const QString& value)
{
    TraceScope trace("XmlDataFile::writeTextElement");
    closeStartTag();
    startLine(mOpenElements.size());
    mText.append('<');
    XmlText::appendEscapedUtf8(mText, name);
    mText.append('>');
    XmlText::appendEscapedUtf8(mText, XmlText::filtered(value));
    mText.append("</");
    XmlText::appendEscapedUtf8(mText, name);
    mText.append('>');
}

void XmlDataFile::writeAttribute(const QString& name, const QString& value)
{
    TraceScope trace("XmlDataFile::writeAttribute");
    Q_ASSERT(mStartTagOpen);
    mText.append(' ');
    XmlText::appendEscapedUtf8(mText, name);
    mText.append("=\"");
    XmlText::appendEscapedUtf8(mText, XmlText::filtered(value));
    mText.append('"');
}
