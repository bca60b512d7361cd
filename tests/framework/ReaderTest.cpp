// The layout reader on good and malformed layouts.
#include "framework/core/Reader.h"
#include "framework/widgets/ExtCtrls.h"
#include "framework/widgets/Forms.h"
#include "framework/widgets/StdCtrls.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <climits>

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
    Q_PROPERTY(int Count MEMBER count)
public:
    explicit TTestItem(TComponent* owner) : TGraphicControl(owner), size_(new TTestSize) {
        size_->setParent(this);
    }
    TTestSize* Size() const { return size_; }
    QStringList names;
    double ratio = 0;
    int count = 0;
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
        RegisterComponentClass<TPanel>();
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
        {"object Form1: TTestForm\n  Caption 'x'\nend\n",
         "test.layout(2): Error reading Form1.Caption: '=' expected"},
        {"object Form1: TTestForm\n  = 5\nend\n",
         "test.layout(2): Error reading Form1: Property name expected"},
        {"object Form1: TTestForm\n  Item1.Left = 5\nend\n",
         "test.layout(2): Error reading Form1.Item1.Left: Property Item1 has no sub-properties"},
        {"object Form1: TTestForm\n  Caption.Size = 5\nend\n",
         "test.layout(2): Error reading Form1.Caption.Size: Property Caption has no "
         "sub-properties"},
        {"object Form1: TTestForm\n  object Item1: TTestItem\n    Size = 3\n  end\nend\n",
         "test.layout(3): Error reading Item1.Size: Property Size is read-only"},
        {"object Form1: TTestForm\n  object Item1: TTestItem\n  end\n  object Item1: TTestItem\n"
         "  end\nend\n",
         "test.layout(4): Error reading Item1: A component named Item1 already exists"},
        {"object Form1: TTestForm\n  object Item1: TLabel\n  end\nend\n",
         "test.layout(2): Error reading Item1: Field Item1 of TTestForm cannot hold a TLabel"},
        {"object Form1: TTestForm\n  BorderStyle = bsWavy\nend\n",
         "test.layout(2): Error reading Form1.BorderStyle: Invalid property value bsWavy"},
        {"object Form1: TTestForm\n  Color = clNoSuchColour\nend\n",
         "test.layout(2): Error reading Form1.Color: Invalid property value clNoSuchColour"},
        {"object Form1: TTestForm\n  Font.Style = fsBold\nend\n",
         "test.layout(2): Error reading Form1.Font.Style: Set expected"},
        {"object Form1: TTestForm\n  Font.Style = [fsBold fsItalic]\nend\n",
         "test.layout(2): Error reading Form1.Font.Style: ']' expected"},
        {"object Form1: TTestForm\n  Font.Style = [fsBold, 'x']\nend\n",
         "test.layout(2): Error reading Form1.Font.Style: Identifier expected in set"},
        {"object Form1: TTestForm\n  object Item1: TTestItem\n    Names = 'a'\n  end\nend\n",
         "test.layout(3): Error reading Item1.Names: List expected"},
        {"object Form1: TTestForm\n  object Item1: TTestItem\n    Names = ('a' b)\n  end\nend\n",
         "test.layout(3): Error reading Item1.Names: String expected"},
        {"object Form1: TTestForm\n  object Item1: TTestItem\n    Ratio = 'x'\n  end\nend\n",
         "test.layout(3): Error reading Item1.Ratio: Number expected"},
        {"object Form1: TTestForm\n  Caption = 12\nend\n",
         "test.layout(2): Error reading Form1.Caption: String expected"},
        {"object Form1: TTestForm\n  OnShow = 12\nend\n",
         "test.layout(2): Error reading Form1.OnShow: Identifier expected"},
        {"object Form1: TTestForm\n  Caption = 'x' ; \nend\n",
         "test.layout(2): Invalid character ';'"},
        {"object Form1: TTestForm\n  Left = $\nend\n", "test.layout(2): Invalid number '$'"},
        {"object Form1: TTestForm\n  Caption = #55296\nend\n",
         "test.layout(2): Invalid character code"},
        {"object Form1: TTestForm\nend\nend\n", "test.layout(3): End of layout expected"},
        {"Form1: TTestForm\nend\n", "test.layout(1): 'object' expected"},
        {"", "test.layout(1): 'object' expected"},
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

// Integers are read into the range of their property: decimal as written, hexadecimal as a
// 32-bit pattern without a sign and as the negated value with one.
TEST_F(ReaderTest, IntegersOutsideTheirPropertysRangeAreRefused) {
    struct Case {
        const char* value;
        long long read; // when no error is expected
        const char* error;
    } cases[] = {
        {"2147483647", INT_MAX, nullptr},
        {"-2147483648", INT_MIN, nullptr},
        {"+17", 17, nullptr},
        {"$7FFFFFFF", INT_MAX, nullptr},
        {"$80000000", INT_MIN, nullptr},
        {"$FFFFFFFF", -1, nullptr},
        {"-$80000000", INT_MIN, nullptr},
        {"-$1F", -31, nullptr},
        {"2147483648", 0, "Integer out of range '2147483648'"},
        {"-2147483649", 0, "Integer out of range '-2147483649'"},
        {"-$80000001", 0, "Integer out of range '-$80000001'"},
        {"$100000000", 0, "Integer out of range '$100000000'"},
        {"-$FFFFFFFF", 0, "Integer out of range '-$FFFFFFFF'"},
        {"99999999999999999999999", 0, "Integer out of range '99999999999999999999999'"},
        {"1.5", 0, "Integer expected"},
    };
    for (const Case& c : cases) {
        form = std::make_unique<TTestForm>(nullptr);
        const QString layout =
            QStringLiteral("object Form1: TTestForm\n  object Item1: TTestItem\n    Count = %1\n"
                           "  end\nend\n")
                .arg(QLatin1String(c.value));
        const QString error = ErrorOf(layout);
        if (c.error) {
            EXPECT_EQ(error, QStringLiteral("test.layout(3): Error reading Item1.Count: ") +
                                 QLatin1String(c.error))
                << c.value;
            continue;
        }
        ASSERT_EQ(error, QString()) << c.value;
        EXPECT_EQ(form->Item1->count, c.read) << c.value;
    }
    // A float that a double cannot hold is refused the same way.
    form = std::make_unique<TTestForm>(nullptr);
    EXPECT_EQ(ErrorOf(QStringLiteral("object Form1: TTestForm\n  object Item1: TTestItem\n"
                                     "    Ratio = 1e400\n  end\nend\n")),
              QStringLiteral("test.layout(3): Error reading Item1.Ratio: Number out of range "
                             "'1e400'"));
}

// Positions and sizes at the ends of the integer range are held within Qt's 2^24 - 1, so
// that the edges and client sizes made from them stay integers.
TEST_F(ReaderTest, ExtremeBoundsAreHeldWhereWidgetsCanBe) {
    ASSERT_EQ(ErrorOf(QStringLiteral("object Form1: TTestForm\n  ClientWidth = 2147483647\n"
                                     "  object Item1: TTestItem\n    Left = -2147483648\n"
                                     "    Top = 2147483647\n    Width = 2147483647\n"
                                     "    Height = -5\n  end\nend\n")),
              QString());
    EXPECT_EQ(form->Item1->BoundsRect(), QRect(-16777215, 16777215, 16777215, 0));
    EXPECT_EQ(form->Width(), 16777215);
    EXPECT_LE(form->ClientWidth(), 16777215);
}

// Layouts that once broke the reader, each read to the value or error written here.
TEST_F(ReaderTest, TheMalformedLayoutCorpusReadsAsExpected) {
    QFile f(TestData(QStringLiteral("bad/layout/negative-hex-integer.layout")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    // -$80000000 is the least integer, written as the negated hexadecimal value.
    EXPECT_EQ(ErrorOf(QString::fromUtf8(f.readAll())), QString());
    EXPECT_EQ(form->Name(), QStringLiteral("F"));
    // Read whole, then held where Qt can place a window.
    EXPECT_EQ(form->Left(), -16777215);
    EXPECT_EQ(QDir(TestData(QStringLiteral("bad/layout"))).entryList(QDir::Files).size(), 1);
}

// Each nested object is a level of the reader's recursion: a layout nesting them without
// end is refused at a fixed depth instead of running the stack out.
TEST_F(ReaderTest, ObjectsNestOneHundredLevelsAndNoDeeper) {
    auto nested = [](int levels) {
        QString text = QStringLiteral("object Form1: TTestForm\n");
        for (int i = 1; i < levels; ++i)
            text += QStringLiteral("object P%1: TPanel\n").arg(i);
        for (int i = 0; i < levels; ++i)
            text += QStringLiteral("end\n");
        return text;
    };
    EXPECT_EQ(ErrorOf(nested(100)), QString());
    EXPECT_EQ(form->ComponentCount(), 99);
    auto* deepest = qobject_cast<TPanel*>(form->FindComponent(QStringLiteral("P99")));
    ASSERT_NE(deepest, nullptr);
    EXPECT_EQ(deepest->Parent()->Name(), QStringLiteral("P98"));

    for (int levels : {101, 20000}) {
        form = std::make_unique<TTestForm>(nullptr);
        EXPECT_EQ(ErrorOf(nested(levels)),
                  QStringLiteral("test.layout(101): Error reading P100: Objects nested deeper "
                                 "than 100 levels"))
            << levels;
        EXPECT_EQ(form->ComponentCount(), 0);
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

    // The reader gives back the same lines from the written text.
    struct Find : TFiler {
        std::function<void(TReader&)> read;
        void DefineProperty(const QString& name, const std::function<void(TReader&)>& rd,
                            const std::function<void(TWriter&)>&, bool) override {
            if (name == QLatin1String("Strings")) read = rd;
        }
    } find;
    TStrings back;
    back.DefineProperties(find);
    ASSERT_TRUE(find.read);
    TReader reader(w.Text(), QStringLiteral("list"));
    find.read(reader);
    EXPECT_EQ(back.List(), (QStringList{QStringLiteral("it's"), QStringLiteral("two\tparts")}));
}

} // namespace

#include "ReaderTest.moc"
