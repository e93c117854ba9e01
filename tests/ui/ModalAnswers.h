#pragma once

// Answers modal dialogs from a test: a timer polls for the active modal widget and hands each
// new one, in turn, to the next answer. Answers act by clicks and keys, as a user would.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <vector>

class ModalAnswers {
 public:
  using Answer = std::function<void(QWidget* modal)>;

  explicit ModalAnswers(std::vector<Answer> answers) : answers_(std::move(answers)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(10);
  }

  bool AllAnswered() const { return next_ == answers_.size(); }

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == answered_) {
      return;
    }
    answered_ = modal;
    if (next_ == answers_.size()) {
      // A dialog nobody expected: fail instead of hanging, and close it.
      const auto* box = qobject_cast<QMessageBox*>(modal);
      ADD_FAILURE() << "unexpected dialog " << modal->metaObject()->className() << " \""
                    << (box != nullptr ? box->text() : modal->windowTitle()).toStdString() << "\"";
      modal->close();
      return;
    }
    answers_[next_++](modal);
  }

  std::vector<Answer> answers_;
  std::size_t next_ = 0;
  QPointer<QWidget> answered_;
  QTimer timer_;
};
