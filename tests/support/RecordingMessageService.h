#pragma once
// A message service for tests: records every message and answers from a queue
// (mb::OK, or the default button, when the queue is empty). Installs itself
// for its lifetime.

#include "utility/MessageService.h"

#include <QList>
#include <QString>

struct RecordedMessage {
    QString text;
    int style = 0;
    QString title;
};

class RecordingMessageService : public pembry::MessageService {
public:
    RecordingMessageService() { pembry::setMessageService(this); }
    ~RecordingMessageService() override { pembry::setMessageService(nullptr); }

    int show(const QString &text, int style, const QString &title) override
    {
        messages.append({text, style, title});
        if (!answers.isEmpty())
            return answers.takeFirst();
        return (style & 7) == pembry::mb::YesNo ? pembry::mb::Yes : pembry::mb::OK;
    }

    QList<RecordedMessage> messages;
    QList<int> answers;
};
