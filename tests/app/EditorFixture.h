#pragma once
// A fresh editor for every test, freed after it, so that the tests of this program run
// one after another in one process; its windows under the names the editor gives them.

#include "app/Editor.h"
#include "app/Startup.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "support/FormTestSupport.h"

#include <QTest>
#include <memory>

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        // As the program starts it: the splash, the print layout and the credits come once
        // the main window has shown.
        editor.reset(MakeEditor(nullptr));
        Form1 = editor->Form1;
        Form1->Show();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return editor->Intro && editor->preview && editor->Info; }));
        Intro = editor->Intro;
        preview = editor->preview;
        Info = editor->Info;
        Settle();
    }
    void TearDown() override {
        editor.reset();
        Settle();
    }

    std::unique_ptr<TEditor> editor;
    TForm1* Form1 = nullptr;
    Tpreview* preview = nullptr;
    TInfo* Info = nullptr;
    TIntro* Intro = nullptr;
};
