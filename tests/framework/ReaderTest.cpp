// The layout reader on good and malformed layouts.
#include "framework/core/Reader.h"
#include "framework/widgets/Forms.h"
#include "framework/widgets/StdCtrls.h"
#include "support/TestSupport.h"

#include <QPointer>

namespace {

// A record with a "Values" stream property of exactly three numbers.
class TTestSize : public TPersistent {
    Q_OBJECT
public:
    long double values[3] = {0, 0, 0};
    void DefineProperties(TFiler& filer) override {
        filer.DefineProperty(
            QStringLiteral("Values"),
            [this](TReader& r) {
                r.ReadListBegin();
                int n = 0;
                while (!r.EndOfList()) {
                    const long double v = r.ReadFloat();
                    if (n >= 3) r.Error(QStringLiteral("Too many values"));
                    values[n++] = v;
                }
                if (n != 3) r.Error(QStringLiteral("Too few values"));
                r.ReadListEnd();
            },
            [this](TWriter& w) {
                w.WriteListBegin();
                for (long double v : values)
                    w.WriteFloat(v);
                w.WriteListEnd();
            },
            true);
    }
};

class TTestItem : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(TTestSize* Size READ Size)
    Q_PROPERTY(QStringList Names MEMBER names)
    Q_PROPERTY(double Ratio MEMBER ratio)
public:
    explicit TTestItem(TComponent* owner) : TGraphicControl(owner), size_(new TTestSize) {
        size_->setParent(this);
    }
    TTestSize* Size() const { return size_; }
    QStringList names;
    double ratio = 0;
    QStringList log; // what happened, in order
    void Loaded() override {
        log << QStringLiteral("Loaded(loading=%1)").arg(IsLoading());
        TGraphicControl::Loaded();
    }
    void SetParentComponent(TComponent* p) override {
        log << QStringLiteral("parent:%1").arg(p->Name());
        TGraphicControl::SetParentComponent(p);
    }

private:
    TTestSize* size_;
};

class TTestForm : public TForm {
    Q_OBJECT
    Q_PROPERTY(TTestItem* Item1 MEMBER Item1)
    Q_PROPERTY(TLabel* Label1 MEMBER Label1)
public:
    using TForm::TForm;
    TTestItem* Item1 = nullptr;
    TLabel* Label1 = nullptr;
    QStringList calls;
    Q_INVOKABLE void Item1Click(TObject* sender) {
        calls << QStringLiteral("click:") + qobject_cast<TComponent*>(sender)->Name();
    }
    Q_INVOKABLE void Item1MouseDown(TObject*, TMouseButton b, TShiftState, int x, int y) {
        calls << QStringLiteral("down:%1,%2,%3").arg(b).arg(x).arg(y);
    }
};

struct ReaderTest : ::testing::Test {
    static void SetUpTestSuite() {
        RegisterComponentClass<TTestItem>();
        RegisterComponentClass<TLabel>();
    }
    std::unique_ptr<TTestForm> form = std::make_unique<TTestForm>(nullptr);
    void Read(const QString& text) {
        TLayoutReader::Read(form.get(), text, QStringLiteral("test.layout"));
    }
    // The reader error a layout raises, or an empty string when it loads.
    QString ErrorOf(const QString& text) {
        try {
            Read(text);
        } catch (const EReadError& e) {
            return e.Message();
        }
        return {};
    }
};

const char* kGood = R"(object Form1: TTestForm
  Caption = 'It''s ' + 'caf'#233' '#65
  ClientWidth = 300
  ClientHeight = 200
  Font.Height = -13
  Font.Style = [fsBold, fsItalic]
  Color = clBtnFace
  Cursor = crHandPoint
  object Item1: TTestItem
    Left = 10
    Top = $14
    Size.Values = (2764.8958333333335 1899.330357142857 -0.5)
    Names = ('a' 'b''c')
    Ratio = 1.5e1
    Visible = False
    OnClick = Item1Click
    OnMouseDown = Item1MouseDown
  end
  object Label1: TLabel
    Caption = 'x'
    Font.Name = 'Times New Roman'
  end
end
)";

TEST_F(ReaderTest, ReadsValuesOfEveryKindInto) {
    Read(QString::fromUtf8(kGood));
    EXPECT_EQ(form->Name(), QStringLiteral("Form1"));
    EXPECT_EQ(form->Caption(), QStringLiteral("It's caf\u00e9 A"));
    EXPECT_EQ(form->ClientWidth(), 300);
    EXPECT_EQ(form->ClientHeight(), 200);
    EXPECT_EQ(form->Font()->Height(), -13);
    EXPECT_EQ(form->Font()->Style(), TFont::fsBold | TFont::fsItalic);
    EXPECT_EQ(form->Color(), clBtnFace);
    EXPECT_EQ(form->Cursor(), crHandPoint);
    ASSERT_NE(form->Item1, nullptr);
    EXPECT_EQ(form->Item1, form->FindComponent(QStringLiteral("Item1")));
    EXPECT_EQ(form->Item1->Owner(), form.get());
    EXPECT_EQ(form->Item1->Parent(), form.get());
    EXPECT_EQ(form->Item1->Left(), 10);
    EXPECT_EQ(form->Item1->Top(), 20);
    EXPECT_FALSE(form->Item1->Visible());
    // Floats keep extended precision.
    EXPECT_EQ(form->Item1->Size()->values[0], 2764.8958333333335L);
    EXPECT_EQ(form->Item1->Size()->values[1], 1899.330357142857L);
    EXPECT_EQ(form->Item1->Size()->values[2], -0.5L);
    EXPECT_EQ(form->Item1->names, (QStringList{QStringLiteral("a"), QStringLiteral("b'c")}));
    EXPECT_DOUBLE_EQ(form->Item1->ratio, 15.0);
    // Children take the parent's font unless their layout sets one.
    EXPECT_EQ(form->Label1->Font()->Height(), -13);
    EXPECT_TRUE(form->Label1->Font()->HasStyle(fsBold));
    EXPECT_EQ(form->Label1->Font()->Name(), QStringLiteral("Times New Roman"));
    EXPECT_FALSE(form->Label1->ParentFont());
}

TEST_F(ReaderTest, BindsHandlersAndRunsLoadedOnceTheTreeIsComplete) {
    Read(QString::fromUtf8(kGood));
    // Parent before any property; Loaded after the whole file, with the loading state on.
    EXPECT_EQ(form->Item1->log,
              (QStringList{QStringLiteral("parent:Form1"), QStringLiteral("Loaded(loading=1)")}));
    EXPECT_FALSE(form->Item1->IsLoading());
    EXPECT_FALSE(form->IsLoading());
    form->Item1->Click();
    form->Item1->MouseDown(mbRight, 0, 3, 4);
    EXPECT_EQ(form->calls,
              (QStringList{QStringLiteral("click:Item1"), QStringLiteral("down:1,3,4")}));
}

TEST_F(ReaderTest, MalformedLayoutsNameFileLineAndProperty) {
    struct Case {
        const char* layout;
        const char* error;
    } cases[] = {
        {"object Form1: TTestForm\n  object X: TNoSuchClass\n  end\nend\n",
         "test.layout(2): Error reading X: Class TNoSuchClass not found"},
        {"object Form1: TTestForm\n  Colour = clRed\nend\n",
         "test.layout(2): Error reading Form1.Colour: Property Colour does not exist"},
        {"object Form1: TTestForm\n  ClientWidth = 'wide'\nend\n",
         "test.layout(2): Error reading Form1.ClientWidth: Integer expected"},
        {"object Form1: TTestForm\n  Visible = 1\nend\n",
         "test.layout(2): Error reading Form1.Visible: Boolean expected"},
        {"object Form1: TTestForm\n  Font.Style = [fsHeavy]\nend\n",
         "test.layout(2): Error reading Form1.Font.Style: Invalid set element fsHeavy"},
        {"object Form1: TTestForm\n  object Item1: TTestItem\n    Size.Values = (1.0 2.0)\n  "
         "end\nend\n",
         "test.layout(3): Error reading Item1.Size.Values: Too few values"},
        {"object Form1: TTestForm\n  object Item1: TTestItem\n    Size.Values = (1.0 2.0 3.0 "
         "4.0)\n  end\nend\n",
         "test.layout(3): Error reading Item1.Size.Values: Too many values"},
        {"object Form1: TTestForm\n  object Item1: TTestItem\n    Left = 1\n",
         "test.layout(4): Error reading Item1: 'end' expected for Item1"},
        {"object Form1: TTestForm\n  OnShow = NoSuchHandler\nend\n",
         "test.layout(2): Error reading Form1.OnShow: Handler NoSuchHandler not found in "
         "TTestForm"},
        {"object Form1: TTestForm\n  object Item1: TTestItem\n    OnClick = Item1MouseDown\n  "
         "end\nend\n",
         "test.layout(3): Error reading Item1.OnClick: Handler Item1MouseDown has the wrong "
         "parameters"},
        {"object Form1: TTestForm\n  Caption = 'open\nend\n",
         "test.layout(2): Unterminated string"},
        {"object Form1: TOtherForm\nend\n",
         "test.layout(1): Layout is for TOtherForm, not TTestForm"},
    };
    for (const Case& c : cases) {
        form = std::make_unique<TTestForm>(nullptr);
        EXPECT_EQ(ErrorOf(QString::fromLatin1(c.layout)), QString::fromLatin1(c.error)) << c.layout;
        // Nothing half-built stays behind, and the fields are cleared.
        EXPECT_EQ(form->ComponentCount(), 0) << c.layout;
        EXPECT_EQ(form->Item1, nullptr);
        EXPECT_FALSE(form->IsLoading());
    }
}

TEST_F(ReaderTest, FileReferencesReadCompiledInPictures) {
    Read(QStringLiteral("object Form1: TTestForm\n  Icon = file 'sleevane.png'\nend\n"));
    EXPECT_FALSE(form->Icon().isNull());
    form = std::make_unique<TTestForm>(nullptr);
    EXPECT_EQ(
        ErrorOf(QStringLiteral("object Form1: TTestForm\n  Icon = file 'missing.png'\nend\n")),
        QStringLiteral(
            "test.layout(2): Error reading Form1.Icon: Picture file 'missing.png' not found"));
    form = std::make_unique<TTestForm>(nullptr);
    EXPECT_EQ(ErrorOf(QStringLiteral("object Form1: TTestForm\n  Icon = file '../x.png'\nend\n")),
              QStringLiteral(
                  "test.layout(2): Error reading Form1.Icon: Invalid file reference '../x.png'"));
}

TEST_F(ReaderTest, StringListsWriteBackWhatTheyRead) {
    TStrings list;
    TWriter w;
    list.Add(QStringLiteral("it's"));
    list.Add(QStringLiteral("two\tparts"));
    struct Collect : TFiler {
        std::function<void(TWriter&)> write;
        void DefineProperty(const QString&, const std::function<void(TReader&)>&,
                            const std::function<void(TWriter&)>& wr, bool) override {
            write = wr;
        }
    } collect;
    list.DefineProperties(collect);
    collect.write(w);
    EXPECT_EQ(w.Text(), QStringLiteral("('it''s' 'two'#9'parts')"));
}

} // namespace

#include "ReaderTest.moc"
