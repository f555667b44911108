#pragma once
// Acting on a modal dialog from inside its exec(): a timer, delivered by the
// dialog's nested event loop, waits for the dialog to come up.
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <functional>

inline void onModalDialog(std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer, action]() {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start(5);
}

inline void pressRun(QWidget* dialog)
{
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
        if (button->text() == QLatin1String("Run"))
            button->click();
}
