#pragma once
// The credits window: a picture, two mail links and the close button. Closing it only
// hides it; the main window shows it again as often as the user likes.

#include "controls/antLabel.h"
#include "framework/widgets/Buttons.h"
#include "framework/widgets/ExtCtrls.h"
#include "framework/widgets/Forms.h"
#include "framework/widgets/StdCtrls.h"

class TInfo : public TForm {
    Q_OBJECT
    Q_PROPERTY(TImage* Image1 MEMBER Image1)
    Q_PROPERTY(TantLabel* antLabel1 MEMBER antLabel1)
    Q_PROPERTY(TantLabel* antLabel2 MEMBER antLabel2)
    Q_PROPERTY(TLabel* Label1 MEMBER Label1)
    Q_PROPERTY(TLabel* Label2 MEMBER Label2)
    Q_PROPERTY(TLabel* Label3 MEMBER Label3)
    Q_PROPERTY(TBitBtn* BitBtn1 MEMBER BitBtn1)
    // The two addresses are product configuration, kept in the layout.
    Q_PROPERTY(QString ProducerMail MEMBER ProducerMail)
    Q_PROPERTY(QString DesignerMail MEMBER DesignerMail)

public:
    explicit TInfo(TComponent* owner);

    TImage* Image1 = nullptr;
    TantLabel* antLabel1 = nullptr;
    TantLabel* antLabel2 = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TBitBtn* BitBtn1 = nullptr;
    QString ProducerMail;
    QString DesignerMail;

    // The link a label opens: its address with the subject of every message.
    static QString MailLink(const QString& address);
    // Opens links; the desktop's URL handler unless replaced (tests watch it here).
    static std::function<void(const QString&)> OpenLink;

    Q_INVOKABLE void BitBtn1Click(TObject* Sender);
    Q_INVOKABLE void antLabel1Click(TObject* Sender);
    Q_INVOKABLE void antLabel2Click(TObject* Sender);
};
