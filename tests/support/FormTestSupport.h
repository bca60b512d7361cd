#pragma once
// Helpers for the framework's window tests: windows built from layout text, and modal
// dialogs driven while they are open.

#include "framework/widgets/Dialogs.h"
#include "framework/widgets/Forms.h"
#include "framework/core/Reader.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <memory>

// Builds a window of class F from layout text.
template <class F> std::unique_ptr<F> MakeForm(const char* layout) {
    auto form = std::make_unique<F>(nullptr);
    TLayoutReader::Read(form.get(), QString::fromUtf8(layout), QStringLiteral("test.layout"));
    return form;
}

// A named widget inside a dialog or window; a failure when there is none.
template <class W> W* Child(QWidget* parent, const char* name) {
    W* w = parent->findChild<W*>(QLatin1String(name));
    EXPECT_TRUE(w) << name;
    return w;
}

template <class T> T* Find(TComponent* root, const char* name) {
    return qobject_cast<T*>(root->FindComponent(QString::fromLatin1(name)));
}

// Runs step on the next dialog that opens, once it is shown, for as long as the returned
// driver lives. A dialog the step leaves open is cancelled after a while, so that a
// failing test does not hang.
[[nodiscard]] inline std::unique_ptr<QTimer> WhenDialogOpens(std::function<void(QDialog*)> step) {
    auto timer = std::make_unique<QTimer>();
    QTimer* t = timer.get();
    QElapsedTimer clock;
    clock.start();
    t->setInterval(10);
    QObject::connect(t, &QTimer::timeout, t, [t, clock, step, done = false]() mutable {
        QDialog* d = TCommonDialog::ActiveDialog();
        if (!done) {
            if (d && d->isVisible()) {
                done = true;
                step(d);
            }
        } else if (!d) {
            t->stop();
            return;
        }
        if (clock.elapsed() > 15000) {
            if (QDialog* open = TCommonDialog::ActiveDialog()) open->reject();
            t->stop();
        }
    });
    t->start();
    return timer;
}

// Lets events run until `done` holds; a busy machine gets the whole deadline, an idle one
// does not sleep. False when the deadline passed first, for the caller to assert.
inline bool WaitUntil(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Lets pending events run for a moment.
inline void Settle(int ms = 0) {
    QElapsedTimer t;
    t.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    } while (t.elapsed() < ms);
}

// Types a name into a file dialog once its listing has settled (a file selected in the list
// would win over the name), then confirms.
inline void ConfirmFile(QDialog* d, const QString& name) {
    auto* fd = qobject_cast<QFileDialog*>(d);
    ASSERT_TRUE(fd);
    auto* edit = Child<QLineEdit>(fd, "fileNameEdit");
    auto selected = [fd] {
        for (auto* view : fd->findChildren<QAbstractItemView*>())
            if (view->selectionModel() && view->selectionModel()->hasSelection()) return true;
        return false;
    };
    // The listing arrives on its own time and may select a file over the name; each time it
    // does, the name is put back.
    EXPECT_TRUE(WaitUntil([&] {
        if (edit->text() == name && !selected()) return true;
        for (auto* view : fd->findChildren<QAbstractItemView*>())
            view->clearSelection();
        edit->setText(name);
        return false;
    }, 10000));
    for (auto* box : fd->findChildren<QDialogButtonBox*>())
        for (auto which : {QDialogButtonBox::Open, QDialogButtonBox::Save})
            if (QAbstractButton* b = box->button(which)) {
                QTest::mouseClick(b, Qt::LeftButton);
                return;
            }
    ADD_FAILURE() << "no button to confirm";
}
