// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>
#include <QtGlobal>

// The description of one object on a portable device.
class QMtpFileInterface
{
public:
    // Object kinds answered by type().
    static constexpr int kDocument = 0;
    static constexpr int kFolder = 1;
    static constexpr int kOther = 2;
    static constexpr int kPlaylist = 3;

    virtual ~QMtpFileInterface() = default;

    virtual QString id() const = 0;
    virtual QString parentId() const = 0;
    virtual QString storageId() const = 0;
    virtual QString name() const = 0;
    virtual qint64 size() const = 0;
    virtual int type() const = 0;
    virtual void setId(const QString& id) = 0;
    virtual void setParentId(const QString& parentId) = 0;
    virtual void setStorageId(const QString& storageId) = 0;
    virtual void setName(const QString& name) = 0;
    virtual void setSize(qint64 size) = 0;
    virtual void setType(int type) = 0;
    // Users call it when done with a descriptor; values own nothing to free.
    virtual void release() {}
};

// A plain descriptor: a new one has empty strings, size 0 and kind 0.
class QMtpFile : public QMtpFileInterface
{
public:
    QMtpFile() = default;

    QString id() const override { return mId; }
    QString parentId() const override { return mParentId; }
    QString storageId() const override { return mStorageId; }
    QString name() const override { return mName; }
    qint64 size() const override { return mSize; }
    int type() const override { return mType; }
    void setId(const QString& id) override { mId = id; }
    void setParentId(const QString& parentId) override { mParentId = parentId; }
    void setStorageId(const QString& storageId) override { mStorageId = storageId; }
    void setName(const QString& name) override { mName = name; }
    void setSize(qint64 size) override { mSize = size; }
    void setType(int type) override { mType = type; }

private:
    QString mId;
    QString mParentId;
    QString mStorageId;
    QString mName;
    qint64 mSize = 0;
    int mType = 0;
};

// The object cache's copy of a descriptor.
class QMtpCachedFile : public QMtpFile
{
public:
    QMtpCachedFile() = default;
    explicit QMtpCachedFile(const QMtpFileInterface& other)
    {
        setId(other.id());
        setParentId(other.parentId());
        setStorageId(other.storageId());
        setName(other.name());
        setSize(other.size());
        setType(other.type());
    }
    QMtpCachedFile(const QString& id, const QString& parentId, const QString& storageId, const QString& name, int type)
    {
        setId(id);
        setParentId(parentId);
        setStorageId(storageId);
        setName(name);
        setType(type);
    }
};
