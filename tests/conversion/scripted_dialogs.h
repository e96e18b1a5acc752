#pragma once

#include "conversion/conversion_dialogs.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tavrik::test {

// Answers the dialogs from a script and remembers every question and message, in order.
class ScriptedDialogs final : public conversion::ConversionDialogs {
public:
    struct Message {
        QString title;
        QString text;
        MessageIcon icon;
    };

    std::deque<QString> files;   // answers to the file dialog; empty means Cancel
    std::deque<QString> answers; // answers to the input box; empty means Cancel
    std::vector<QString> filters;
    std::vector<QString> prompts;
    std::vector<Message> messages;
    // What happened, one word a dialog: "file", "ask", or the title of a message.
    QStringList order;

    QString chooseFile(const QString& filter) override
    {
        filters.push_back(filter);
        order << QStringLiteral("file");
        return take(files);
    }
    QString askText(const DialogTitle& title, const QString& prompt) override
    {
        prompts.push_back(title.text() + QStringLiteral("|") + prompt);
        order << QStringLiteral("ask");
        return take(answers);
    }
    void showMessage(const DialogTitle& title, const QString& text, MessageIcon icon) override
    {
        messages.push_back({title.text(), text, icon});
        order << title.text();
    }

    const Message& last() const { return messages.back(); }

private:
    static QString take(std::deque<QString>& queue)
    {
        if (queue.empty())
            return {};
        QString answer = queue.front();
        queue.pop_front();
        return answer;
    }
};

} // namespace tavrik::test
