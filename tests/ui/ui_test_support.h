#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/qt_user_interaction.h"

// The desktop program's user for the tests: messages and questions are recorded and
// answered from a script, so no message box waits for a click; the worksheet and save
// dialogs are the real ones (answered through ModalScript) unless a choice is scripted.
class TestUser : public QtUserInteraction {
public:
    void showMessage(const std::string& text, const std::string& detail = std::string()) override
    {
        messages.push_back(text);
        details.push_back(detail);
    }
    Answer askYesNoCancel(const std::string& question) override
    {
        questions.push_back(question);
        questionWorkbooks.push_back(jobWorkbook());
        if (onQuestion)
            onQuestion();
        if (answers.empty())
            return Answer::Cancel;  // an unscripted question keeps everything as it is
        Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<std::string> pickResultsFile(const QString& folder) override
    {
        ++resultsFileRequests;
        if (resultsFiles.empty())
            return QtUserInteraction::pickResultsFile(folder);
        std::optional<std::string> file = resultsFiles.front();
        resultsFiles.pop_front();
        return file;
    }

    std::vector<std::string> messages;
    std::vector<std::string> details;
    std::vector<std::string> questions;
    std::vector<QString> questionWorkbooks;  // the job each question named
    std::function<void()> onQuestion;        // runs as each question is asked
    std::deque<Answer> answers;
    std::deque<std::optional<std::string>> resultsFiles;
    int resultsFileRequests = 0;
};

// Answers the modal dialogs that the code under test opens, in order: each handler gets
// the next dialog as soon as it is shown and must close it. A dialog without a handler is
// rejected (and counted), so a test never hangs on one.
class ModalScript {
public:
    ModalScript()
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start();
    }

    void expect(std::function<void(QDialog*)> handler) { handlers_.push_back(std::move(handler)); }
    bool done() const { return handlers_.empty(); }
    int unexpected = 0;
    int handled = 0;

private:
    void poll()
    {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || dialog == last_)
            return;
        last_ = dialog;
        if (handlers_.empty()) {
            ++unexpected;
            dialog->reject();
            return;
        }
        std::function<void(QDialog*)> handler = std::move(handlers_.front());
        handlers_.pop_front();
        ++handled;
        handler(dialog);
    }

    QTimer timer_;
    QPointer<QDialog> last_;
    std::deque<std::function<void(QDialog*)>> handlers_;
};
