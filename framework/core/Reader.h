#pragma once
// The layout reader: builds a window (or any component tree) from its stored layout, an
// indented text of nested objects with their property values in file order.
//
//   object Form1: TForm1
//     Caption = 'Sleevane 0.2 Beta'
//     Font.Style = [fsBold]
//     OnShow = FormShow
//     object Panel1: TPanel
//       Picture.Data = file 'splash.bmp'
//     end
//   end

#include "framework/core/Classes.h"

#include <QByteArray>
#include <functional>
#include <map>
#include <memory>

enum class TValueType { Null, Integer, Float, String, Ident, Set, List, File, False, True };

struct TLayoutToken;

// Reads property values from a layout; stream properties declared by DefineProperties
// read their own values through it.
class TReader {
public:
    TReader(const QString& text, const QString& fileName);
    ~TReader();

    const QString& FileName() const { return fileName_; }
    int Line() const;

    TValueType NextValue() const;
    void ReadListBegin();
    bool EndOfList() const;
    void ReadListEnd();
    QString ReadString();
    long double ReadFloat();
    int ReadInteger();
    bool ReadBoolean();
    QString ReadIdent();
    QStringList ReadSet();
    // A "file 'name'" value: the bytes of that picture among the compiled-in resources.
    QByteArray ReadFileReference();

    // Raises the reader error for the property being read.
    [[noreturn]] void Error(const QString& reason) const;

private:
    friend class TLayoutReaderImpl;
    // An integer in [least, most], or a float of at most that size: a larger value raises
    // the reader error "... out of range" with the number as written.
    long double ReadIntegerIn(long double least, long double most);
    long double ReadFloatIn(long double most);
    const TLayoutToken& Peek(int ahead = 0) const;
    TLayoutToken Next();
    struct Impl;
    std::unique_ptr<Impl> d;
    QString fileName_;
    QString context_;     // "Form1.Font.Name" while that property is read
    int contextLine_ = 0; // the line of that property
    QString textContext_; // while a text property is read: its catalogue context
};

class TWriter {
public:
    void WriteListBegin() {
        out_ += QLatin1Char('(');
        first_ = true;
    }
    void WriteListEnd() {
        out_ += QLatin1Char(')');
        first_ = false;
    }
    void WriteString(const QString& s);
    void WriteFloat(long double v);
    void WriteInteger(int v);
    const QString& Text() const { return out_; }

private:
    void Separate();
    QString out_;
    bool first_ = false;
};

class TFiler {
public:
    virtual ~TFiler() = default;
    virtual void DefineProperty(const QString& name, const std::function<void(TReader&)>& read,
                                const std::function<void(TWriter&)>& write, bool hasData) = 0;
};

// Classes that layouts may name, with a factory that makes one for an owner.
using TComponentFactory = std::function<TComponent*(TComponent* owner)>;
void RegisterComponentClass(const QString& className, TComponentFactory factory);
template <class T> void RegisterComponentClass() {
    RegisterComponentClass(QString::fromLatin1(T::staticMetaObject.className()),
                           [](TComponent* owner) -> TComponent* { return new T(owner); });
}

// Integer identifiers that int properties accept besides numbers (colours are built in;
// cursors and others register here).
void RegisterIntegerIdent(const QString& ident, int value);

class TLayoutReader {
public:
    // Reads the layout text into root, whose class must be the one the layout names (or
    // derive from it). Nested objects are created with root as owner, placed on their
    // enclosing component (SetParentComponent), stored in root's field of the same name
    // when it has one, and every component gets Loaded() after the whole text is read. On
    // error everything created is freed and EReadError names file, line and property.
    static void Read(TComponent* root, const QString& text, const QString& fileName);
    // The same for a layout compiled into the resources (":/layouts/<name>").
    static void ReadResource(TComponent* root, const QString& name);
};

// Raw bytes of a compiled-in resource file; EFOpenError when there is none.
QByteArray ResourceBytes(const QString& path);

// A reference from one component to another of the same layout, written with the other's
// name (`Images = iconeb`) and resolved once the layout is read, when every component
// exists. The holder is told when the referenced component goes away.
class TComponentReference {
public:
    // Declares the stream property `name` on filer for holder.
    void Define(TFiler& filer, const QString& name);
    // The named component among the holder's owner's components, or null; the name is
    // forgotten either way.
    TComponent* Resolve(TComponent* holder);
    bool Pending() const { return !name_.isEmpty(); }

private:
    QString name_;
};
