#pragma once
// The print-layout window: never shown; it holds the cover report and the seven items
// that the covers are composed onto: the front cover's on the detail band, the rear
// cover's on its child band, which follows it on the same page or starts a page of its
// own.

#include "framework/widgets/Forms.h"
#include "report/RpAngLbl.h"
#include "report/RpCtrls.h"
#include "report/RpReport.h"

class Tpreview : public TForm {
    Q_OBJECT
    Q_PROPERTY(TReport* Report1 MEMBER Report1)
    Q_PROPERTY(TRpBand* DetailBand1 MEMBER DetailBand1)
    Q_PROPERTY(TRpImage* RpImage1 MEMBER RpImage1)
    Q_PROPERTY(TRpImage* RpImage2 MEMBER RpImage2)
    Q_PROPERTY(TRpAngledLabel* RpLabel1 MEMBER RpLabel1)
    Q_PROPERTY(TRpMemo* RpMemo1 MEMBER RpMemo1)
    Q_PROPERTY(TRpChildBand* ChildBand1 MEMBER ChildBand1)
    Q_PROPERTY(TRpAngledLabel* Labelrp1 MEMBER Labelrp1)
    Q_PROPERTY(TRpAngledLabel* Labelrp2 MEMBER Labelrp2)
    Q_PROPERTY(TRpMemo* RpMemo2 MEMBER RpMemo2)

public:
    explicit Tpreview(TComponent* owner);

    TReport* Report1 = nullptr;
    TRpBand* DetailBand1 = nullptr;
    TRpImage* RpImage1 = nullptr;
    TRpImage* RpImage2 = nullptr;
    TRpAngledLabel* RpLabel1 = nullptr;
    TRpMemo* RpMemo1 = nullptr;
    TRpChildBand* ChildBand1 = nullptr;
    TRpAngledLabel* Labelrp1 = nullptr;
    TRpAngledLabel* Labelrp2 = nullptr;
    TRpMemo* RpMemo2 = nullptr;
};
