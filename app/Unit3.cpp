#include "app/Unit3.h"

#include <QDesktopServices>
#include <QUrl>

std::function<void(const QString&)> TInfo::OpenLink = [](const QString& link) {
    // Nothing visible happens when no mail program is set up.
    QDesktopServices::openUrl(QUrl(link));
};

TInfo::TInfo(TComponent* owner) : TForm(owner) {
    ReadLayout(QStringLiteral("Info.layout"));
}

QString TInfo::MailLink(const QString& address) {
    // The system's link buffer held 256 bytes with its zero: longer links were cut there.
    return (address + QStringLiteral("?subject=Da SLEEVANE")).left(255);
}

void TInfo::BitBtn1Click(TObject*) {
    Close();
}

void TInfo::antLabel1Click(TObject*) {
    if (OpenLink) OpenLink(MailLink(ProducerMail));
}

void TInfo::antLabel2Click(TObject*) {
    if (OpenLink) OpenLink(MailLink(DesignerMail));
}
