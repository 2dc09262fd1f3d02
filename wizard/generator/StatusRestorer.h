#pragma once

#include <QString>

namespace tabulo {

class ProgressDisplay;
class StatusPanel;

// Hides the progress bar and puts the status panel's text back when a step
// of the run ends, on every path out of it. Either may be absent.
class StatusRestorer {
public:
    StatusRestorer(StatusPanel *panel, ProgressDisplay *progress);
    ~StatusRestorer();
    StatusRestorer(const StatusRestorer &) = delete;
    StatusRestorer &operator=(const StatusRestorer &) = delete;

    // Remembers the panel's text as it is now.
    void save();
    // The normal end of the step: hides the progress bar when `hideProgress`
    // and puts the text back. A failure here propagates and leaves the
    // clean-up to the destructor.
    void finish(bool hideProgress);

private:
    StatusPanel *m_panel;
    ProgressDisplay *m_progress;
    QString m_savedText;
    bool m_saved = false;
    bool m_finished = false;
};

}  // namespace tabulo
