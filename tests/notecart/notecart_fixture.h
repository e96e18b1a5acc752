#pragma once

#include "notecart/isam_library.h"
#include "notecart/notecart_dialogs.h"
#include "support/isd_folder.h"

#include <QDir>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <vector>

namespace tavrik::test {

// Answers the dialogs from a script and remembers every question and message, in order.
class ScriptedNotecartDialogs final : public notecart::NotecartDialogs {
public:
    struct Question {
        QString title;
        QString filter;
        QString fileName;
    };
    struct Message {
        QString title;
        QString text;
        MessageIcon icon;
    };

    std::deque<QString> files; // answers to the file dialog; empty means Cancel
    std::vector<Question> questions;
    std::vector<Message> messages;

    QString chooseFile(const DialogTitle& title, const QString& filter, const QString& fileName) override
    {
        questions.push_back({title.text(), filter, fileName});
        if (files.empty())
            return {};
        QString answer = files.front();
        files.pop_front();
        return answer;
    }
    void showMessage(const DialogTitle& title, const QString& text, MessageIcon icon) override
    {
        messages.push_back({title.text(), text, icon});
    }
};

// The real library, loaded once for the test program as notecart loads it.
inline notecart::IsamLibrary& Library()
{
    static std::unique_ptr<notecart::IsamLibrary> library = [] {
        QString error;
        auto loaded = notecart::IsamLibrary::load(QStringLiteral(ISAM_LIBRARY), error);
        if (!loaded)
            ADD_FAILURE() << error.toStdString();
        return loaded;
    }();
    return *library;
}

} // namespace tavrik::test
