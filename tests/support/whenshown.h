#pragma once
// Answering the modal windows that a command opens, in window tests.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <gtest/gtest.h>

namespace kavtest {

// Runs `answer` on the window of class Form that the next command opens, looked for every 20 ms
// until it is up (at most five seconds; the modal one when several are visible). Without it the
// failure says which window was up instead, and closes that one so the test goes on.
template <class Form>
void whenShown(const std::function<void(Form&)>& answer)
{
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, answer] {
        Form* form = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<Form*>(w); f && f->isVisible() && (!form || QApplication::activeModalWidget() == f))
                form = f;
        if (!form && ++*tries < 250)
            return;
        timer->deleteLater();
        timer->stop();
        if (!form) {
            QWidget* modal = QApplication::activeModalWidget();
            ADD_FAILURE() << "no " << Form::staticMetaObject.className() << " came up, but "
                          << (modal ? modal->metaObject()->className() : "nothing");
            if (modal)
                modal->close();
            return;
        }
        answer(*form);
    });
    timer->start(20);
}

} // namespace kavtest
