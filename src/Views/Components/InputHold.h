#pragma once

// InputHold: a short moment after an action in which a control takes no more input of that kind,
// so that a double click, a screen reader's second Press or a repeated key acts once. Input that
// arrives within the moment is dropped and starts the moment again, so a key that keeps coming
// never gets through.
//
//   if (m_hold.absorb())   // held: drop this press
//       return;
//   act();
//   m_hold.start();        // the next InputHold::standardMsecs are held

#include <QDeadlineTimer>

class InputHold final
{
public:
    static constexpr int standardMsecs = 300;

    // Holds for msecs from now (or longer, if a longer hold is already running).
    void start(int msecs = standardMsecs);
    void clear();
    bool isActive() const;
    // While held: true, and the hold runs standardMsecs from now at least. Otherwise false.
    bool absorb();

private:
    QDeadlineTimer m_until; // expired while nothing is held
};
