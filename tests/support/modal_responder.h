#pragma once
// Answers the modal boxes a window under test opens, from the event loop.

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>

// Handles the modal boxes the program opens, one response per box in order:
// each response gets the box while it is open and must close it.
class ModalResponder {
public:
    using Response = std::function<void(QWidget& box)>;

    ModalResponder()
    {
        poll_.setInterval(5);
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box || box == answered_ || responses_.empty())
                return;
            answered_ = box;
            const Response response = std::move(responses_.front());
            responses_.pop_front();
            ++count_;
            response(*box);
        });
    }

    void expect(Response response)
    {
        responses_.push_back(std::move(response));
        poll_.start();
    }
    int answeredCount() const { return count_; }
    bool allAnswered() const { return responses_.empty(); }

private:
    QTimer poll_;
    std::deque<Response> responses_;
    QPointer<QWidget> answered_;
    int count_ = 0;
};
