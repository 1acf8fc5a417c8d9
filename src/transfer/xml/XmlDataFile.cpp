// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/xml/XmlDataFile.h"

#include "app/TraceLog.h"
#include "transfer/xml/XmlText.h"

#include <QSaveFile>

XmlDataFile::XmlDataFile(const QString& rootElement, const char* openFailureTrace)
    : mRootElement(rootElement)
    , mOpenFailureTrace(openFailureTrace)
{
}

XmlDataFile::~XmlDataFile() = default; // an unfinished QSaveFile is discarded

int XmlDataFile::open(const QString& path)
{
    TraceScope trace("XmlDataFile::open");
    traceValue("path", path);
    auto file = std::make_unique<QSaveFile>(path);
    if (mOpen || !file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        traceMessage(mOpenFailureTrace);
        return kErrorCannotOpenFile;
    }
    mFile = std::move(file);
    mWriter.setDevice(mFile.get());
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
    mWriter.setDevice(device);
    startDocument();
    return 0;
}

void XmlDataFile::startDocument()
{
    TraceScope trace("XmlDataFile::startDocument");
    mOpen = true;
    mWriter.setAutoFormatting(true);
    mWriter.setAutoFormattingIndent(4);
    mWriter.writeStartDocument();
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
    bool written = !mWriter.hasError();
    if (mFile) {
        if (written)
            written = mFile->commit();
        else
            mFile->cancelWriting();
        mFile.reset();
    }
    mWriter.setDevice(nullptr);
    if (!written) {
        traceMessage("Unable to write XML file");
        traceReturns(kErrorCannotOpenFile);
        return kErrorCannotOpenFile;
    }
    return 0;
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
