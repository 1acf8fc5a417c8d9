// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/VCardWriter.h"

#include "app/TraceLog.h"
#include "transfer/android/ContactView.h"
#include "transfer/android/VCardText.h"

#include <QCryptographicHash>

#include <initializer_list>

namespace {

// iPhone labels are stored as "_$!<Name>!$_"; anything else is the user's own.
QString standardLabelName(const QString& label)
{
    if (label.startsWith(QLatin1String("_$!<")) && label.endsWith(QLatin1String(">!$_")))
        return label.mid(4, label.size() - 8);
    return QString();
}

// A label without a vCard type of its own: kept as an "X-" type, so the
// importer shows it as the entry's label.
QByteArray labelType(const QString& label)
{
    const QString name = standardLabelName(label);
    return VCardText::customType(name.isEmpty() ? label : name);
}

// TYPE for e-mail addresses, postal addresses and web pages: home, work,
// other or the custom label; the address-book type where no label is stored.
QByteArray placeType(const QString& type, const QString& label)
{
    if (!label.isEmpty()) {
        const QString name = standardLabelName(label);
        if (name == QLatin1String("Home"))
            return "HOME";
        if (name == QLatin1String("Work"))
            return "WORK";
        if (name == QLatin1String("Other"))
            return "OTHER";
        return labelType(label);
    }
    if (type == AddressBookXml::typeHome())
        return "HOME";
    if (type == AddressBookXml::typeWork())
        return "WORK";
    return QByteArray();
}

// Starts a content line in out: the name, the TYPE parameter where there is
// one, the colon; the value follows and endLine() closes it.
qsizetype startLine(QByteArray& out, const char* name, const QByteArray& types = QByteArray())
{
    const qsizetype start = out.size();
    out.append(name);
    if (!types.isEmpty()) {
        out.append(";TYPE=");
        out.append(types);
    }
    out.append(':');
    return start;
}

void endLine(QByteArray& out, qsizetype lineStart)
{
    VCardText::foldLine(out, lineStart);
}

void appendProperty(QByteArray& out, const char* name, const QByteArray& types, QStringView value)
{
    const qsizetype line = startLine(out, name, types);
    VCardText::appendEscaped(out, value);
    endLine(out, line);
}

bool hasText(const QString& value)
{
    return !QStringView(value).trimmed().isEmpty();
}

void appendText(QByteArray& out, const char* name, const QString& value)
{
    if (hasText(value))
        appendProperty(out, name, QByteArray(), value);
}

// Structured values such as N and ORG: the escaped parts joined by ';'.
void appendStructured(QByteArray& out, const char* name, std::initializer_list<QStringView> parts)
{
    const qsizetype line = startLine(out, name);
    bool first = true;
    for (const QStringView part : parts) {
        if (!first)
            out.append(';');
        first = false;
        VCardText::appendEscaped(out, part);
    }
    endLine(out, line);
}

QByteArray addressValue(const ContactView::Value& address)
{
    // PO box; extended; street; city; region; postal code; country.
    QStringList street;
    QStringList extended;
    QString city;
    QString region;
    QString postalCode;
    QString country;
    QString countryCode;
    using namespace AddressBookXml;
    for (const auto& part : address.parts) {
        if (part.first == AddressBookXml::street())
            street.append(part.second);
        else if (part.first == AddressBookXml::city())
            city = part.second;
        else if (part.first == state())
            region = part.second;
        else if (part.first == zip())
            postalCode = part.second;
        else if (part.first == AddressBookXml::country())
            country = part.second;
        else if (part.first == AddressBookXml::countryCode())
            countryCode = part.second;
        else
            extended.append(part.second);
    }
    if (country.isEmpty())
        country = countryCode.toUpper();
    return VCardText::structured({QString(), extended.join(QLatin1Char('\n')), street.join(QLatin1Char('\n')), city,
                                  region, postalCode, country});
}

} // namespace

QByteArray VCardWriter::phoneType(const QString& type, const QString& label)
{
    if (!label.isEmpty()) {
        const QString name = standardLabelName(label);
        if (name == QLatin1String("Mobile") || name == QLatin1String("iPhone"))
            return "CELL";
        if (name == QLatin1String("Home"))
            return "HOME";
        if (name == QLatin1String("Work"))
            return "WORK";
        if (name == QLatin1String("HomeFAX"))
            return "FAX,HOME";
        if (name == QLatin1String("WorkFAX"))
            return "FAX,WORK";
        if (name == QLatin1String("OtherFAX"))
            return "FAX";
        if (name == QLatin1String("Pager"))
            return "PAGER";
        if (name == QLatin1String("Main"))
            return "MAIN";
        if (name == QLatin1String("Other"))
            return "OTHER";
        return labelType(label);
    }
    if (type == AddressBookXml::typeMobile())
        return "CELL";
    if (type == AddressBookXml::typeHome())
        return "HOME";
    if (type == AddressBookXml::typeWork())
        return "WORK";
    if (type == AddressBookXml::typeMain())
        return "MAIN";
    return QByteArray();
}

QByteArray VCardWriter::imageType(const QByteArray& image)
{
    if (image.startsWith("\xFF\xD8\xFF"))
        return "JPEG";
    if (image.startsWith("\x89PNG\r\n\x1A\n"))
        return "PNG";
    if (image.startsWith("GIF87a") || image.startsWith("GIF89a"))
        return "GIF";
    return QByteArray();
}

QByteArray VCardWriter::card(const ContactRecord& contact)
{
    QByteArray out;
    appendCard(out, contact);
    return out;
}

bool VCardWriter::appendCard(QByteArray& out, const ContactRecord& contact)
{
    const ContactView view(contact);
    const QString name = view.displayName(contact);
    // Every reader needs FN; a person with nothing to name it by has nothing
    // worth a card either.
    if (name.isEmpty())
        return false;
    const qsizetype cardStart = out.size();
    out.append("BEGIN:VCARD\r\nVERSION:3.0\r\n");
    appendStructured(out, "N", {view.last, view.first, view.middle, contact.prefix, contact.suffix});
    appendProperty(out, "FN", QByteArray(), name);
    appendText(out, "NICKNAME", contact.nickname);
    for (qsizetype i = 0; i < view.organizations.size(); ++i) {
        if (i == 0 && !contact.department.isEmpty())
            appendStructured(out, "ORG", {view.organizations.at(i), contact.department});
        else
            appendStructured(out, "ORG", {view.organizations.at(i)});
    }
    if (view.organizations.isEmpty() && !contact.department.isEmpty())
        appendStructured(out, "ORG", {QStringView(), contact.department});
    appendText(out, "TITLE", contact.jobTitle);
    for (const ContactView::Value& phone : view.phones) {
        if (hasText(phone.value))
            appendProperty(out, "TEL", phoneType(phone.type, phone.label), phone.value);
    }
    for (const ContactView::Value& email : view.emails) {
        if (!hasText(email.value))
            continue;
        const QByteArray place = placeType(email.type, email.label);
        appendProperty(out, "EMAIL", place.isEmpty() ? QByteArray("INTERNET") : "INTERNET," + place, email.value);
    }
    for (const ContactView::Value& address : view.addresses) {
        const QByteArray value = addressValue(address);
        if (value != ";;;;;;") {
            const qsizetype line = startLine(out, "ADR", placeType(address.type, address.label));
            out.append(value);
            endLine(out, line);
        }
    }
    for (const ContactView::Value& url : view.urls)
        appendText(out, "URL", url.value);
    if (view.birthday.isValid()) {
        const qsizetype line = startLine(out, "BDAY");
        out.append(view.birthday.toString(QStringLiteral("yyyy-MM-dd")).toLatin1());
        endLine(out, line);
    }
    appendText(out, "NOTE", contact.note);
    const std::optional<QByteArray>& photo =
        contact.fullSizePhoto && !imageType(*contact.fullSizePhoto).isEmpty() ? contact.fullSizePhoto : contact.photo;
    if (photo) {
        const QByteArray type = imageType(*photo);
        if (!type.isEmpty()) {
            const qsizetype line = startLine(out, "PHOTO;ENCODING=b", type);
            out.append(photo->toBase64());
            endLine(out, line);
        }
    }
    // Some readers skip a card without UID. The backup's identity of the
    // person keeps it the same on the next conversion; without one, the
    // card's own text does.
    QCryptographicHash uid(QCryptographicHash::Sha1);
    if (contact.identity.isEmpty())
        uid.addData(QByteArrayView(out).sliced(cardStart));
    else
        uid.addData(contact.identity.toUtf8());
    out.append("UID:");
    out.append(uid.result().toHex());
    out.append("@velmora\r\nEND:VCARD\r\n");
    return true;
}

int VCardWriter::open(const QString& path)
{
    TraceScope trace("VCardWriter::open");
    traceValue("path", path);
    mCount = 0;
    return mFile.open(path) ? 0 : int(DataResult::FileCannotWrite);
}

void VCardWriter::add(const ContactRecord& contact)
{
    if (!mFile.isOpen())
        return;
    // A person without any value has nothing to show on the phone.
    if (!appendCard(mFile.text(), contact))
        return;
    ++mCount;
    mFile.flushIfFull();
}

int VCardWriter::finish()
{
    TraceScope trace("VCardWriter::finish");
    traceValue("cards", mCount);
    if (mCount == 0) {
        // No card, no file: an empty contacts file is no vCard file.
        mFile.cancel();
        return 0;
    }
    const int result = mFile.finish() ? 0 : int(DataResult::FileCannotWrite);
    traceReturns(result);
    return result;
}
