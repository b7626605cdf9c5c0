#pragma once

#include <QString>

#include <utility>

// Looks at Tendrel's one-instance lock file ("tendrel.lock" in the data folder) before
// SingleInstance takes it. SingleInstance alone takes every lock it cannot make for a running
// Tendrel that does not answer, and the start would end without a window; when the lock cannot be
// made at all (a full disk, a data folder that cannot be written or searched, a file where the
// folder belongs, a folder where the lock belongs) or another computer holds it, Tendrel starts
// anyway with its plants in memory (the store file left alone, since another process may write it)
// and says why. A lock file Tendrel cannot read that no process holds is stale and is taken over.
//
//     const InstanceLockCheck lock = InstanceLockCheck::run(dataFolder);
//     if (lock.outcome() == InstanceLockCheck::Outcome::unusable)
//         options.storeRefusal = lock.reason();    // the banner says this
//     else if (!instance.acquire())
//         return 0;                                // another Tendrel here was raised
class InstanceLockCheck final
{
public:
    enum class Outcome {
        free,     // the lock can be taken
        heldHere, // a process of this computer holds it: SingleInstance asks it to come forward
        unusable, // reason() says why
    };

    static InstanceLockCheck run(const QString &dataFolder);

    Outcome outcome() const { return m_outcome; }
    // Why the lock cannot be used, in words fit to show the user.
    QString reason() const { return m_reason; }

    // The lock file's name inside the data folder, as SingleInstance names it.
    static QString fileName() { return QStringLiteral("tendrel.lock"); }

private:
    // mayTakeOver is false once an unreadable lock was taken over: one found again is another
    // start's, being written.
    static InstanceLockCheck look(const QString &dataFolder, bool mayTakeOver = true);
    static InstanceLockCheck takeOverUnreadable(const QString &dataFolder, const QString &lockPath);
    InstanceLockCheck(Outcome outcome, QString reason = {}) : m_outcome(outcome), m_reason(std::move(reason))
    {
    }

    Outcome m_outcome;
    QString m_reason;
};
