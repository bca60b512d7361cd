// The print dialog, driven through its real Qt window: printer, range, copies, collation,
// a PDF file, and what a cancelled dialog leaves alone.
#include "framework/widgets/PrintDialogs.h"

#include "framework/core/SysUtils.h"
#include "support/FormTestSupport.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTest>

namespace {

void ChoosePrinter(QDialog* d, const QString& name) {
    auto* box = Child<QComboBox>(d, "printers");
    const int i = box->findText(name, Qt::MatchStartsWith);
    ASSERT_GE(i, 0) << name.toStdString();
    box->setCurrentIndex(i);
}

void Confirm(QDialog* d) {
    for (auto* box : d->findChildren<QDialogButtonBox*>())
        if (QAbstractButton* ok = box->button(QDialogButtonBox::Ok)) {
            QTest::mouseClick(ok, Qt::LeftButton);
            return;
        }
    ADD_FAILURE() << "no confirming button";
}

struct DialogFixture : ::testing::Test {
    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, TestTempDir());
        printer = std::make_unique<TPrinter>();
        dialog = std::make_unique<TPrintDialog>(nullptr);
        dialog->SetPrinter(printer.get());
    }
    std::unique_ptr<TPrinter> printer;
    std::unique_ptr<TPrintDialog> dialog;
};

} // namespace

TEST_F(DialogFixture, PageRangeCopiesAndPrinterComeBack) {
    REQUIRE_PRINT_SERVER();
    printer->SetPrinterName(PdfQueue());
    dialog->SetOptions(poPageNums | poWarning);
    dialog->SetMinPage(1);
    dialog->SetMaxPage(3);
    dialog->SetFromPage(1);
    dialog->SetToPage(3);
    dialog->SetCopies(1);
    TPrinter::StoreOffset(PdfQueue(), {1.5, -2});
    TPrinter::StoreOffset(MarginsQueue(), {});
    bool modal = false;
    int shownFrom = -1, shownTo = -1;
    double shownOffsetX = 0;
    auto driver = WhenDialogOpens([&](QDialog* d) {
        modal = d->windowModality() == Qt::ApplicationModal;
        shownOffsetX = Child<QDoubleSpinBox>(d, "offsetX")->value();
        ChoosePrinter(d, MarginsQueue());
        Child<QDoubleSpinBox>(d, "offsetX")->setValue(-3.5);
        Child<QDoubleSpinBox>(d, "offsetY")->setValue(4);
        auto* from = Child<QSpinBox>(d, "from");
        auto* to = Child<QSpinBox>(d, "to");
        shownFrom = from->value();
        shownTo = to->value();
        Child<QRadioButton>(d, "printRange")->click();
        from->setValue(2);
        to->setValue(3);
        Child<QSpinBox>(d, "copies")->setValue(2);
        Child<QCheckBox>(d, "collate")->setChecked(true);
        Confirm(d);
    });
    ASSERT_TRUE(dialog->Execute());
    EXPECT_TRUE(modal);
    EXPECT_EQ(shownFrom, 1);
    EXPECT_EQ(shownTo, 3);
    EXPECT_EQ(dialog->PrintRange(), prPageNums);
    EXPECT_EQ(dialog->FromPage(), 2);
    EXPECT_EQ(dialog->ToPage(), 3);
    EXPECT_EQ(dialog->Copies(), 2);
    EXPECT_TRUE(dialog->Collate());
    EXPECT_FALSE(dialog->PrintToFile());
    EXPECT_EQ(printer->DeviceName(), MarginsQueue());
    EXPECT_EQ(printer->DeviceMode().dmCopies, 2);
    EXPECT_EQ(TCommonDialog::ActiveDialog(), nullptr);
    // The offset tab showed the first queue's and kept the chosen one's.
    EXPECT_EQ(shownOffsetX, 1.5);
    EXPECT_EQ(TPrinter::StoredOffset(MarginsQueue()), (TPrinterOffset{-3.5, 4}));
    EXPECT_EQ(TPrinter::StoredOffset(PdfQueue()), (TPrinterOffset{1.5, -2}));
    TPrinter::StoreOffset(PdfQueue(), {});
    TPrinter::StoreOffset(MarginsQueue(), {});
}

TEST_F(DialogFixture, CancelChangesNothing) {
    REQUIRE_PRINT_SERVER();
    printer->SetPrinterName(PdfQueue());
    const TDeviceMode before = printer->DeviceMode();
    dialog->SetMinPage(0);
    dialog->SetMaxPage(9999);
    auto driver = WhenDialogOpens([&](QDialog* d) {
        ChoosePrinter(d, MarginsQueue());
        Child<QSpinBox>(d, "copies")->setValue(5);
        Child<QDoubleSpinBox>(d, "offsetX")->setValue(7);
        d->reject();
    });
    EXPECT_FALSE(dialog->Execute());
    EXPECT_EQ(TPrinter::StoredOffset(MarginsQueue()), TPrinterOffset{});
    EXPECT_EQ(printer->DeviceName(), PdfQueue());
    EXPECT_EQ(printer->DeviceMode(), before);
    EXPECT_EQ(dialog->PrintRange(), prAllPages);
}

TEST_F(DialogFixture, LandscapeComesInAndGoesOut) {
    printer->SetPrinterName(TPrinter::PdfPrinterName());
    TDeviceMode m = printer->DeviceMode();
    m.dmOrientation = DMORIENT_LANDSCAPE;
    printer->SetDeviceMode(m);
    QString shown;
    auto driver = WhenDialogOpens([&](QDialog* d) {
        shown = Child<QLineEdit>(d, "filename")->text();
        Confirm(d);
    });
    printer->SetOutputFileName(TestTempDir() + QStringLiteral("/landscape.pdf"));
    ASSERT_TRUE(dialog->Execute());
    EXPECT_EQ(printer->DeviceMode().dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_TRUE(printer->IsPdfPrinter());
    EXPECT_EQ(shown, printer->OutputFileName());
}

TEST_F(DialogFixture, PdfFileChoiceSelectsThePdfPrinterWithItsFile) {
    REQUIRE_PRINT_SERVER();
    printer->SetPrinterName(PdfQueue());
    const QString file = TestTempDir() + QStringLiteral("/chosen.pdf");
    QString entry;
    auto driver = WhenDialogOpens([&](QDialog* d) {
        auto* box = Child<QComboBox>(d, "printers");
        box->setCurrentIndex(box->count() - 1); // the dialog's own PDF file entry
        entry = box->currentText();
        auto* name = Child<QLineEdit>(d, "filename");
        name->setText(file);
        Confirm(d);
    });
    ASSERT_TRUE(dialog->Execute());
    // Named as the printer list names it.
    EXPECT_EQ(entry, TPrinter::PdfPrinterName());
    EXPECT_TRUE(dialog->PrintToFile());
    EXPECT_TRUE(printer->IsPdfPrinter());
    EXPECT_EQ(printer->OutputFileName(), file);
    // The printer then writes there without asking.
    printer->BeginDoc();
    printer->EndDoc();
    EXPECT_EQ(PdfPageCount(file), 1);
}
