#pragma once
// Message boxes shown for real instead of captured: every modal box that opens is read as the user sees
// it (the text its label holds and the format the label renders it in) and then closed.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <vector>

#include "app/ErrorReport.h"

class RealMessageBoxes {
public:
    struct Seen {
        QString text;
        Qt::TextFormat format;
    };

    RealMessageBoxes() : m_previous(tf::SetMessageBoxHook({}))
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            const QLabel *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
            seen.push_back({label ? label->text() : QString(), label ? label->textFormat() : Qt::AutoText});
            box->done(0);
        });
        m_timer.start();
    }
    ~RealMessageBoxes() { tf::SetMessageBoxHook(m_previous); }
    RealMessageBoxes(const RealMessageBoxes &) = delete;
    RealMessageBoxes &operator=(const RealMessageBoxes &) = delete;

    std::vector<Seen> seen;

private:
    tf::MessageBoxHook m_previous;
    QTimer m_timer;
};
