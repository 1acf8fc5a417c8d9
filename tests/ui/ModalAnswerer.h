// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers the modal dialogs that code under test runs with exec(): whenever a
// new widget becomes the active modal widget, the next queued answer acts on
// it. A dialog nobody expected is recorded and rejected, so a test fails
// instead of hanging.
class ModalAnswerer : public QObject
{
public:
    using Answer = std::function<void(QWidget*)>;

    ModalAnswerer()
    {
        connect(&mTimer, &QTimer::timeout, this, &ModalAnswerer::poll);
        mTimer.start(5);
    }

    void expect(Answer answer) { mAnswers.append(std::move(answer)); }
    int pending() const { return mAnswers.size(); }
    // Title and, for message boxes, text of every dialog seen, in order.
    QStringList seen() const { return mSeen; }
    QStringList unexpected() const { return mUnexpected; }

    // Clicks the button whose text, without its shortcut marker, is text.
    static bool clickButton(QWidget* dialog, const QString& text)
    {
        const auto buttons = dialog->findChildren<QAbstractButton*>();
        for (QAbstractButton* button : buttons) {
            if (button->text().remove(QLatin1Char('&')) == text) {
                button->click();
                return true;
            }
        }
        return false;
    }
    static void reject(QWidget* dialog)
    {
        if (auto* asDialog = qobject_cast<QDialog*>(dialog))
            asDialog->reject();
        else
            dialog->close();
    }
    static Answer clicking(const QString& text)
    {
        return [text](QWidget* dialog) {
            if (!clickButton(dialog, text))
                reject(dialog);
        };
    }
    static Answer rejecting()
    {
        return [](QWidget* dialog) { reject(dialog); };
    }

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == mLast)
            return;
        mLast = modal;
        QString description = modal->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            description += QLatin1Char('|') + box->text();
        mSeen.append(description);
        if (mAnswers.isEmpty()) {
            mUnexpected.append(description);
            reject(modal);
            return;
        }
        mAnswers.takeFirst()(modal);
    }

    QTimer mTimer;
    QPointer<QWidget> mLast;
    QList<Answer> mAnswers;
    QStringList mSeen;
    QStringList mUnexpected;
};
