// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "app/ResultCodes.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

class QIODevice;
class QSaveFile;

// The common frame of the XML data files written for the phone (address book,
// messages, calendar): UTF-8, the XML declaration, one root element, one
// element per line indented by 4 blanks, an element without content closed as
// "<name/>", and every text and attribute value through the control-character
// filter. It streams: nothing but the open elements and a block of text for
// the output is held in memory.
//
// A file is written through QSaveFile, so the phone never receives a
// half-written file: it appears only when finish() succeeds.
class XmlDataFile
{
public:
    static constexpr int kErrorCannotOpenFile = DataResult::FileCannotWrite;

    // openFailureTrace is the message traced when the output cannot be opened.
    XmlDataFile(const QString& rootElement, const char* openFailureTrace);
    virtual ~XmlDataFile();
    Q_DISABLE_COPY_MOVE(XmlDataFile)

    // Starts the document in a new file at path. 0 or kErrorCannotOpenFile.
    int open(const QString& path);
    // Starts the document on a device already open for writing (not owned).
    int open(QIODevice* device);
    bool isOpen() const { return mOpen; }

    // Closes the open elements and the document and, for a file, puts it in
    // place. 0, or kErrorCannotOpenFile when any write failed (nothing is
    // then left at the path).
    int finish();
    // Drops what was written: an earlier file at the path stays as it was.
    void cancel();

protected:
    void startElement(const QString& name);
    void endElement();
    void writeTextElement(const QString& name, const QString& value);
    // Only directly after startElement.
    void writeAttribute(const QString& name, const QString& value);
    // Called after each top-level item, between which the text goes out.
    void itemWritten();

private:
    void startDocument();
    void closeStartTag();
    void startLine(qsizetype depth);
    void writeBlock();

    QString mRootElement;
    const char* mOpenFailureTrace;
    std::unique_ptr<QSaveFile> mFile;
    QIODevice* mOutput = nullptr;
    QByteArray mText; // composed UTF-8, not yet written
    QList<QString> mOpenElements;
    bool mStartTagOpen = false; // "<name" and its attributes written, not yet its ">"
    bool mOpen = false;
    bool mFailed = false;
};
