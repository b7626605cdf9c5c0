#pragma once

// FileFaults: the faults a disk can show while AtomicFile writes a file, made on purpose, so tests
// can see what each failure leaves behind without a full or failing disk. Every write, flush to
// disk and rename an AtomicFile takes is one step, counted from 1 across all three kinds; a chosen
// step fails with a chosen errno. Writes can be cut into short pieces, as a slow disk takes them,
// with a hook before each step to act between two of them. Handed to one writer at a time.
//
//   FileFaults faults;
//   faults.failAt(3, ENOSPC);        // the third step fails as on a full disk
//   faults.setMaxWriteBytes(4096);   // each write takes at most 4 KiB
//   faults.setBeforeStep([&](FileFaults::Step, int step) { if (step == 5) commitElsewhere(); });
//   AtomicFile::write(target, bytes, &error, &faults);
//   faults.steps();                  // steps taken so far: past the last one, nothing failed

#include <QtGlobal>

#include <functional>

class FileFaults final
{
public:
    enum class Step : unsigned char { write, sync, rename };

    void failAt(int step, int errnum)
    {
        m_failAt = step;
        m_errnum = errnum;
    }
    void setMaxWriteBytes(qint64 bytes) { m_maxWriteBytes = bytes; }
    void setBeforeStep(std::function<void(Step, int)> hook) { m_beforeStep = std::move(hook); }

    int steps() const { return m_steps; }
    // The most one write may take; 0 for no limit.
    qint64 maxWriteBytes() const { return m_maxWriteBytes; }

    // Counts a step about to be taken: the errno it fails with, or 0.
    int take(Step step)
    {
        ++m_steps;
        if (m_beforeStep)
            m_beforeStep(step, m_steps);
        return m_steps == m_failAt ? m_errnum : 0;
    }

private:
    int m_steps = 0;
    int m_failAt = 0;
    int m_errnum = 0;
    qint64 m_maxWriteBytes = 0;
    std::function<void(Step, int)> m_beforeStep;
};
