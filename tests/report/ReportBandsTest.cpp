// The band list: its print order, the placing of bands on the report panel, the band
// switches, child and linked bands.
#include "ReportSupport.h"

#include "framework/core/Reader.h"

class ReportBandsTest : public ReportTest {
protected:
    std::vector<TRpCustomBand*> BandList(TReport* report) {
        std::vector<TRpCustomBand*> list;
        for (int i = 0; i < report->BandCount(); ++i)
            list.push_back(report->BandAt(i));
        return list;
    }
};

TEST_F(ReportBandsTest, BandsSortIntoPrintOrder) {
    TReport* report = NewReport();
    TRpBand* overlay = NewBand(report, rbOverlay, 5);
    TRpBand* footer = NewBand(report, rbPageFooter, 5);
    TRpBand* summary = NewBand(report, rbSummary, 5);
    TRpBand* detail = NewBand(report, rbDetail, 5);
    TRpBand* columnHeader = NewBand(report, rbColumnHeader, 5);
    TRpBand* title = NewBand(report, rbTitle, 5);
    TRpBand* header = NewBand(report, rbPageHeader, 5);
    detail->SetHasChild(true);
    TRpCustomBand* child = detail->ChildBand();
    ASSERT_TRUE(child);
    child->Size()->SetUnits(TRpUnit::MM);
    child->Size()->SetHeight(5);
    EXPECT_EQ(BandList(report), (std::vector<TRpCustomBand*>{header, title, columnHeader, detail,
                                                             child, summary, footer, overlay}));
    // The bands stand on the panel in that order, one below the other from the top margin
    // (round(100 x 96 / 254) = 38 pixels), each 5 mm = 19 pixels high.
    int top = 38;
    for (TRpCustomBand* band : BandList(report)) {
        EXPECT_EQ(band->Top(), top) << band->BandType();
        EXPECT_EQ(band->Left(), 38);
        top += 19;
    }
    // A band that changes type moves.
    overlay->SetBandType(rbPageHeader);
    EXPECT_EQ(BandList(report).front(), header);
    EXPECT_EQ(BandList(report).at(1), overlay);
    delete title;
    EXPECT_EQ(BandList(report).size(), 7u);
    EXPECT_EQ(report->FindBand(rbTitle), nullptr);
}

TEST_F(ReportBandsTest, TwoColumnsGiveDetailBandsTheColumnWidth) {
    // A4 with 15 mm side margins at zoom 100: the panel is 794 pixels wide, the full band
    // width 794 - round(56.69 + 56.69) = 681, a column (681 - 0) div 2 = 340 pixels, and
    // 340 x 254 / 96 = 899.58 native.
    TReport* report = NewReport();
    report->Page()->SetLeftMargin(15);
    report->Page()->SetRightMargin(15);
    report->Page()->SetColumns(2);
    TRpBand* header = NewBand(report, rbPageHeader, 10);
    TRpBand* detail = NewBand(report, rbDetail, 10);
    detail->SetHasChild(true);
    TRpCustomBand* child = detail->ChildBand();
    EXPECT_EQ(report->Width(), 794);
    EXPECT_EQ(header->Width(), 681);
    EXPECT_EQ(detail->Width(), 340);
    EXPECT_EQ(child->Width(), 340); // a child places as its parent
    EXPECT_NEAR(static_cast<double>(detail->Size()->NativeValue(TRpBandSize::iWidth)),
                899.58333333333333, 1e-9);
    // Column space counts once between two columns: (681 - 38) div 2.
    report->Page()->SetColumnSpace(10);
    EXPECT_EQ(detail->Width(), 321);
    report->Page()->SetColumns(1);
    EXPECT_EQ(detail->Width(), 681);
}

TEST_F(ReportBandsTest, BandSwitchesCreateAndRemoveBands) {
    TReport* report = NewReport();
    TReportBands* bands = report->Bands();
    EXPECT_FALSE(bands->HasTitle());
    bands->SetHasTitle(true);
    bands->SetHasDetail(true);
    bands->SetHasDetail(true); // already there
    EXPECT_TRUE(bands->HasTitle());
    TRpCustomBand* title = report->FindBand(rbTitle);
    ASSERT_TRUE(title);
    EXPECT_EQ(title->Name(), QStringLiteral("TitleBand1"));
    EXPECT_EQ(title->Owner(), form.get());
    EXPECT_EQ(title->Parent(), report);
    EXPECT_EQ(report->BandCount(), 2);
    EXPECT_EQ(report->FindBand(rbDetail)->Name(), QStringLiteral("DetailBand1"));
    bands->SetHasTitle(false);
    EXPECT_FALSE(bands->HasTitle());
    EXPECT_EQ(report->BandCount(), 1);
    bands->SetHasTitle(true);
    EXPECT_EQ(report->FindBand(rbTitle)->Name(), QStringLiteral("TitleBand1"));
    EXPECT_EQ(BandCaption(rbColumnHeader), QStringLiteral("Column Header"));
    EXPECT_EQ(UniqueBandName(form.get(), BandNamePrefix(rbDetail)), QStringLiteral("DetailBand2"));
}

TEST_F(ReportBandsTest, CircularLinksAreRefused) {
    TReport* report = NewReport();
    TRpBand* a = NewBand(report, rbDetail, 10);
    TRpBand* b = NewBand(report, rbSummary, 10);
    TRpBand* c = NewBand(report, rbPageFooter, 10);
    EXPECT_TRUE(a->SetLinkBand(b));
    EXPECT_TRUE(b->SetLinkBand(c));
    EXPECT_FALSE(c->SetLinkBand(a));
    EXPECT_FALSE(a->SetLinkBand(a));
    EXPECT_EQ(c->LinkBand(), nullptr);
    // Linked heights add up: 10 mm each.
    EXPECT_EQ(a->HeightWithLinks(), 300);

    a->SetHasChild(true);
    auto* child = qobject_cast<TRpChildBand*>(a->ChildBand());
    ASSERT_TRUE(child);
    child->SetHasChild(true);
    auto* grandChild = qobject_cast<TRpChildBand*>(child->ChildBand());
    ASSERT_TRUE(grandChild);
    EXPECT_FALSE(child->SetParentBand(grandChild));
    EXPECT_EQ(grandChild->EffectiveType(), rbDetail);
    // Removing the child hands the grandchild to the band.
    a->SetHasChild(false);
    EXPECT_EQ(grandChild->ParentBand(), a);
    EXPECT_EQ(a->ChildBand(), grandChild);
    // A destroyed linked band is forgotten.
    delete b;
    EXPECT_EQ(a->LinkBand(), nullptr);
}

TEST_F(ReportBandsTest, LinkedBandsKeepTogether) {
    const struct {
        bool linked;
        std::vector<int> detailPages;
    } cases[] = {
        {false, {1, 1}}, {true, {1, 2}}, // the second detail needs room for the 130 mm summary too
    };
    for (const auto& c : cases) {
        form = std::make_unique<TForm>(nullptr);
        TReport* report = NewReport();
        TRpBand* detail = NewBand(report, rbDetail, 130);
        TRpBand* summary = NewBand(report, rbSummary, 130);
        if (c.linked) detail->SetLinkBand(summary);
        auto* item = new TCountingItem(form.get());
        item->SetParent(detail);
        int served = 0;
        report->OnNeedData = [&](TObject*, bool& more) { more = served++ < 2; };
        report->OnPreview = [](TObject*) {};
        report->PreviewReport();
        EXPECT_EQ(item->pages, c.detailPages);
    }
}

TEST_F(ReportBandsTest, BandsStandOnTheReportOnly) {
    TReport* report = NewReport();
    TRpBand* detail = NewBand(report, rbDetail, 10);
    auto* other = new TRpBand(form.get());
    other->SetBandType(rbSummary);
    other->SetParent(detail); // onto a band: onto its report
    EXPECT_EQ(other->Parent(), report);
    EXPECT_EQ(other->Report(), report);
    EXPECT_EQ(report->BandCount(), 2);
    other->SetParent(form.get());
    EXPECT_EQ(report->BandCount(), 1);
    EXPECT_EQ(other->Report(), nullptr);
}

TEST_F(ReportBandsTest, LayoutsHoldChildAndLinkedBands) {
    const char* layout = R"(object preview: TForm
  object Report1: TReport
    Units = MM
    object DetailBand1: TRpBand
      BandType = rbDetail
      LinkBand = SummaryBand1
      Size.Values = (200.0 1000.0)
    end
    object ChildBand1: TRpChildBand
      ParentBand = DetailBand1
      Size.Values = (150.0 1000.0)
    end
    object SummaryBand1: TRpBand
      BandType = rbSummary
      Height = 57
      AlignToBottom = True
    end
  end
end
)";
    TLayoutReader::Read(form.get(), QString::fromLatin1(layout), QStringLiteral("bands.layout"));
    auto* report = qobject_cast<TReport*>(form->FindComponent(QStringLiteral("Report1")));
    ASSERT_TRUE(report);
    auto* detail = qobject_cast<TRpBand*>(form->FindComponent(QStringLiteral("DetailBand1")));
    auto* child = qobject_cast<TRpChildBand*>(form->FindComponent(QStringLiteral("ChildBand1")));
    auto* summary = qobject_cast<TRpBand*>(form->FindComponent(QStringLiteral("SummaryBand1")));
    ASSERT_TRUE(detail && child && summary);
    EXPECT_EQ(detail->LinkBand(), summary);
    EXPECT_EQ(child->ParentBand(), detail);
    EXPECT_EQ(detail->ChildBand(), child);
    EXPECT_TRUE(summary->AlignToBottom());
    // A band whose layout gives a pixel height and no Values takes that height.
    EXPECT_NEAR(static_cast<double>(summary->Size()->NativeValue(TRpBandSize::iHeight)),
                57 * 254 / 96.0, 1e-9);
    std::vector<TRpCustomBand*> order{detail, child, summary};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(report->BandAt(i), order[static_cast<size_t>(i)]);
}

TEST_F(ReportBandsTest, PageReadyShowsPageOneOnThePanel) {
    TReport* report = NewReport();
    NewBand(report, rbDetail, 10);
    report->OnPreview = [](TObject*) {};
    report->PreviewReport();
    EXPECT_EQ(report->PageImage(), nullptr);
    SendMessage(report, RPM_PAGEREADY, 2);
    EXPECT_EQ(report->PageImage(), nullptr);
    SendMessage(report, RPM_PAGEREADY, 1);
    ASSERT_NE(report->PageImage(), nullptr);
    EXPECT_EQ(report->PageImage()->Width(), 794);
}

TEST_F(ReportBandsTest, TextIsMeasuredOnTheScreen) {
    TReport* report = NewReport();
    TFont font;
    font.SetName(QStringLiteral("Arial"));
    font.SetHeight(-13);
    const int narrow = report->TextWidthOf(&font, QStringLiteral("i"));
    const int wide = report->TextWidthOf(&font, QStringLiteral("iiii"));
    EXPECT_GT(narrow, 1);
    EXPECT_GT(wide, narrow);
    EXPECT_EQ(report->TextWidthOf(&font, QString()), 1); // one pixel more than the text
    EXPECT_EQ(report->TextHeightOf(&font, QStringLiteral("x")),
              report->TextHeightOf(&font, QStringLiteral("Wgy")));
    EXPECT_GE(report->TextHeightOf(&font, QString()), 13);
}
