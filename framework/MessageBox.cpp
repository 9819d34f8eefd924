#include "framework/MessageBox.h"

#include "framework/Exception.h"

#include <QApplication>
#include <QMessageBox>

namespace {
TMessageBoxHook& Hook()
{
    static TMessageBoxHook hook;
    return hook;
}
} // namespace

void SetMessageBoxHook(TMessageBoxHook hook)
{
    Hook() = std::move(hook);
}

void ShowMessage(const QString& text)
{
    if (Hook()) {
        Hook()(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void ShowNotice(const QString& text)
{
    if (Hook()) {
        Hook()(text);
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Information, QApplication::applicationName(), text,
                                QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box->setModal(false);
    box->show();
}

void ShowException(const std::exception& e)
{
    const auto* own = dynamic_cast<const Exception*>(&e);
    const QString text = own ? own->Message() : QString::fromLocal8Bit(e.what());
    if (Hook()) {
        Hook()(text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void RunGuarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        ShowException(e);
    }
}
