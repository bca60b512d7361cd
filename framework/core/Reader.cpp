#include "framework/core/Reader.h"
#include "framework/core/Translations.h"

#include "framework/core/Limits.h"

#include <QFile>
#include <QHash>
#include <QMetaProperty>
#include <cfloat>
#include <climits>
#include <cmath>
#include <deque>

namespace {

enum TokenKind { tkEnd, tkIdent, tkInteger, tkFloat, tkString, tkSymbol };

} // namespace

struct TLayoutToken {
    int kind = tkEnd;
    QString text; // identifier, symbol, the decoded string, or a number as written
    long double number = 0;
    int line = 0;
};

namespace {

std::map<QString, TComponentFactory>& ClassRegistry() {
    static std::map<QString, TComponentFactory> registry;
    return registry;
}

QHash<QString, int>& IntegerIdents() {
    static QHash<QString, int> idents;
    return idents;
}

class Lexer {
public:
    Lexer(const QString& text, const QString& fileName) : s_(text), file_(fileName) {}

    std::deque<TLayoutToken> All() {
        std::deque<TLayoutToken> tokens;
        for (;;) {
            TLayoutToken t = NextToken();
            tokens.push_back(t);
            if (t.kind == tkEnd) break;
        }
        return tokens;
    }

private:
    [[noreturn]] void Fail(const QString& what) const {
        throw EReadError(QStringLiteral("%1(%2): %3").arg(file_).arg(line_).arg(what));
    }

    QChar At(qsizetype i) const { return i < s_.size() ? s_[i] : QChar(); }

    void SkipBlanks() {
        for (;;) {
            while (pos_ < s_.size() && s_[pos_].isSpace()) {
                if (s_[pos_] == '\n') ++line_;
                ++pos_;
            }
            if (At(pos_) == '/' && At(pos_ + 1) == '/') {
                while (pos_ < s_.size() && s_[pos_] != '\n')
                    ++pos_;
                continue;
            }
            return;
        }
    }

    TLayoutToken NextToken() {
        SkipBlanks();
        TLayoutToken t;
        t.line = line_;
        if (pos_ >= s_.size()) return t;
        const QChar c = s_[pos_];
        if (c.isLetter() || c == '_') {
            const qsizetype start = pos_;
            while (pos_ < s_.size() &&
                   (s_[pos_].isLetterOrNumber() || s_[pos_] == '_' || s_[pos_] == '.'))
                ++pos_;
            t.kind = tkIdent;
            t.text = s_.mid(start, pos_ - start);
            return t;
        }
        if (c.isDigit() ||
            ((c == '-' || c == '+') && (At(pos_ + 1).isDigit() || At(pos_ + 1) == '$')) || c == '$')
            return Number(t);
        if (c == '\'' || c == '#') return String(t);
        t.kind = tkSymbol;
        t.text = QString(c);
        ++pos_;
        if (!QStringLiteral("=:[](),+<>{}").contains(c))
            Fail(QStringLiteral("Invalid character '%1'").arg(c));
        return t;
    }

    // Integers keep their value whatever its size: the property they are read into
    // checks its range. A hexadecimal number without a sign is a 32-bit pattern ($FFFFFFFF
    // is -1, as colours are stored); with a minus sign it is the negated unsigned value.
    TLayoutToken Number(TLayoutToken t) {
        const qsizetype start = pos_;
        bool negative = false;
        if (s_[pos_] == '-' || s_[pos_] == '+') negative = s_[pos_++] == '-';
        if (At(pos_) == '$') {
            ++pos_;
            const qsizetype digits = pos_;
            while (pos_ < s_.size() && QStringLiteral("0123456789abcdefABCDEF").contains(s_[pos_]))
                ++pos_;
            t.text = s_.mid(start, pos_ - start);
            bool ok = false;
            const qulonglong v = s_.mid(digits, pos_ - digits).toULongLong(&ok, 16);
            if (!ok) Fail(QStringLiteral("Invalid number '%1'").arg(t.text));
            t.kind = tkInteger;
            if (negative)
                t.number = -static_cast<long double>(v);
            else if (v <= 0xFFFFFFFFull)
                t.number = static_cast<int32_t>(static_cast<uint32_t>(v));
            else
                t.number = static_cast<long double>(v);
            return t;
        }
        bool isFloat = false;
        while (pos_ < s_.size() && s_[pos_].isDigit())
            ++pos_;
        if (At(pos_) == '.' && At(pos_ + 1).isDigit()) {
            isFloat = true;
            ++pos_;
            while (pos_ < s_.size() && s_[pos_].isDigit())
                ++pos_;
        }
        if (At(pos_) == 'e' || At(pos_) == 'E') {
            qsizetype p = pos_ + 1;
            if (At(p) == '-' || At(p) == '+') ++p;
            if (At(p).isDigit()) {
                isFloat = true;
                pos_ = p;
                while (pos_ < s_.size() && s_[pos_].isDigit())
                    ++pos_;
            }
        }
        const QByteArray literal = s_.mid(start, pos_ - start).toLatin1();
        char* end = nullptr;
        const long double v = std::strtold(literal.constData(), &end);
        if (end != literal.constData() + literal.size() || !std::isfinite(v))
            Fail(QStringLiteral("Invalid number '%1'").arg(QString::fromLatin1(literal)));
        t.kind = isFloat ? tkFloat : tkInteger;
        t.text = QString::fromLatin1(literal);
        t.number = v;
        return t;
    }

    // 'quoted' parts with doubled quotes and #nnn character codes, adjacent or joined by +.
    TLayoutToken String(TLayoutToken t) {
        t.kind = tkString;
        for (;;) {
            if (At(pos_) == '\'') {
                ++pos_;
                for (;;) {
                    if (pos_ >= s_.size() || s_[pos_] == '\n')
                        Fail(QStringLiteral("Unterminated string"));
                    if (s_[pos_] == '\'') {
                        if (At(pos_ + 1) == '\'') {
                            t.text += QLatin1Char('\'');
                            pos_ += 2;
                            continue;
                        }
                        ++pos_;
                        break;
                    }
                    t.text += s_[pos_++];
                }
            } else if (At(pos_) == '#') {
                ++pos_;
                const qsizetype start = pos_;
                while (pos_ < s_.size() && s_[pos_].isDigit())
                    ++pos_;
                bool ok = false;
                const uint code = s_.mid(start, pos_ - start).toUInt(&ok);
                if (!ok || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                    Fail(QStringLiteral("Invalid character code"));
                t.text += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
            } else {
                // A '+' followed by another string part continues the string.
                const qsizetype save = pos_;
                const int saveLine = line_;
                SkipBlanks();
                if (At(pos_) == '+') {
                    ++pos_;
                    SkipBlanks();
                    if (At(pos_) == '\'' || At(pos_) == '#') continue;
                }
                pos_ = save;
                line_ = saveLine;
                return t;
            }
        }
    }

    const QString& s_;
    QString file_;
    qsizetype pos_ = 0;
    int line_ = 1;
};

} // namespace

struct TReader::Impl {
    std::deque<TLayoutToken> tokens;
    size_t at = 0;
};

TReader::TReader(const QString& text, const QString& fileName)
    : d(std::make_unique<Impl>()), fileName_(fileName) {
    d->tokens = Lexer(text, fileName).All();
}

TReader::~TReader() = default;

int TReader::Line() const {
    return Peek().line;
}

const TLayoutToken& TReader::Peek(int ahead) const {
    const size_t i = std::min(d->at + static_cast<size_t>(ahead), d->tokens.size() - 1);
    return d->tokens[i];
}

TLayoutToken TReader::Next() {
    TLayoutToken t = Peek();
    if (d->at + 1 < d->tokens.size()) ++d->at;
    return t;
}

void TReader::Error(const QString& reason) const {
    const QString where =
        context_.isEmpty() ? QString() : QStringLiteral("Error reading %1: ").arg(context_);
    const int line = contextLine_ > 0 ? contextLine_ : Peek().line;
    throw EReadError(QStringLiteral("%1(%2): %3%4").arg(fileName_).arg(line).arg(where, reason));
}

TValueType TReader::NextValue() const {
    const TLayoutToken& t = Peek();
    switch (t.kind) {
    case tkInteger:
        return TValueType::Integer;
    case tkFloat:
        return TValueType::Float;
    case tkString:
        return TValueType::String;
    case tkIdent:
        if (t.text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return TValueType::True;
        if (t.text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return TValueType::False;
        if (t.text == QLatin1String("file") && Peek(1).kind == tkString) return TValueType::File;
        return TValueType::Ident;
    case tkSymbol:
        if (t.text == QLatin1String("[")) return TValueType::Set;
        if (t.text == QLatin1String("(")) return TValueType::List;
        return TValueType::Null;
    default:
        return TValueType::Null;
    }
}

void TReader::ReadListBegin() {
    if (!(Peek().kind == tkSymbol && Peek().text == QLatin1String("(")))
        Error(QStringLiteral("List expected"));
    Next();
}

bool TReader::EndOfList() const {
    return Peek().kind == tkEnd || (Peek().kind == tkSymbol && Peek().text == QLatin1String(")"));
}

void TReader::ReadListEnd() {
    if (!(Peek().kind == tkSymbol && Peek().text == QLatin1String(")")))
        Error(QStringLiteral("')' expected"));
    Next();
}

QString TReader::ReadString() {
    if (Peek().kind != tkString) Error(QStringLiteral("String expected"));
    if (!textContext_.isEmpty()) return Translate(textContext_, Next().text);
    return Next().text;
}

long double TReader::ReadFloat() {
    if (Peek().kind != tkFloat && Peek().kind != tkInteger)
        Error(QStringLiteral("Number expected"));
    return Next().number;
}

int TReader::ReadInteger() {
    return static_cast<int>(ReadIntegerIn(INT_MIN, INT_MAX));
}

long double TReader::ReadIntegerIn(long double least, long double most) {
    if (Peek().kind != tkInteger) Error(QStringLiteral("Integer expected"));
    const long double v = Peek().number;
    if (v < least || v > most) Error(QStringLiteral("Integer out of range '%1'").arg(Peek().text));
    Next();
    return v;
}

long double TReader::ReadFloatIn(long double most) {
    if (Peek().kind != tkFloat && Peek().kind != tkInteger)
        Error(QStringLiteral("Number expected"));
    const long double v = Peek().number;
    if (std::fabs(v) > most) Error(QStringLiteral("Number out of range '%1'").arg(Peek().text));
    Next();
    return v;
}

bool TReader::ReadBoolean() {
    const TValueType v = NextValue();
    if (v != TValueType::True && v != TValueType::False) Error(QStringLiteral("Boolean expected"));
    Next();
    return v == TValueType::True;
}

QString TReader::ReadIdent() {
    if (Peek().kind != tkIdent) Error(QStringLiteral("Identifier expected"));
    return Next().text;
}

QStringList TReader::ReadSet() {
    if (NextValue() != TValueType::Set) Error(QStringLiteral("Set expected"));
    Next();
    QStringList items;
    while (!(Peek().kind == tkSymbol && Peek().text == QLatin1String("]"))) {
        if (Peek().kind != tkIdent) Error(QStringLiteral("Identifier expected in set"));
        items << Next().text;
        if (Peek().kind == tkSymbol && Peek().text == QLatin1String(","))
            Next();
        else if (!(Peek().kind == tkSymbol && Peek().text == QLatin1String("]")))
            Error(QStringLiteral("']' expected"));
    }
    Next();
    return items;
}

QByteArray TReader::ReadFileReference() {
    if (NextValue() != TValueType::File) Error(QStringLiteral("File reference expected"));
    Next();
    const QString name = Next().text;
    if (name.isEmpty() || name.contains(QLatin1String("..")))
        Error(QStringLiteral("Invalid file reference '%1'").arg(name));
    QFile f(QStringLiteral(":/pictures/") + name);
    if (!f.open(QIODevice::ReadOnly))
        Error(QStringLiteral("Picture file '%1' not found").arg(name));
    return f.readAll();
}

// ---- Writer --------------------------------------------------------------------------

void TWriter::Separate() {
    if (!first_ && !out_.isEmpty() && !out_.endsWith(QLatin1Char('('))) out_ += QLatin1Char(' ');
    first_ = false;
}

void TWriter::WriteString(const QString& s) {
    Separate();
    QString quoted = QStringLiteral("'");
    for (QChar c : s) {
        if (c == '\'')
            quoted += QStringLiteral("''");
        else if (c.unicode() < 32)
            quoted += QStringLiteral("'#%1'").arg(c.unicode());
        else
            quoted += c;
    }
    out_ += quoted + QLatin1Char('\'');
}

void TWriter::WriteFloat(long double v) {
    Separate();
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.19Lg", v);
    QString text = QString::fromLatin1(buffer);
    if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')))
        text += QStringLiteral(".0");
    out_ += text;
}

void TWriter::WriteInteger(int v) {
    Separate();
    out_ += QString::number(v);
}

// ---- Registries ----------------------------------------------------------------------

void RegisterComponentClass(const QString& className, TComponentFactory factory) {
    ClassRegistry()[className] = std::move(factory);
}

void RegisterIntegerIdent(const QString& ident, int value) {
    IntegerIdents().insert(ident.toLower(), value);
}

QByteArray ResourceBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw EFOpenError(SysConst::Text(SysConst::SFOpenError).arg(path));
    return f.readAll();
}

// ---- Component reading ---------------------------------------------------------------

namespace {

struct PropertyHook : TFiler {
    QString wanted;
    std::function<void(TReader&)> read;
    void DefineProperty(const QString& name, const std::function<void(TReader&)>& r,
                        const std::function<void(TWriter&)>&, bool) override {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0) read = r;
    }
};

} // namespace

class TLayoutReaderImpl {
public:
    TLayoutReaderImpl(TComponent* root, TReader& reader) : root_(root), r_(reader) {}

    void Run() {
        try {
            ReadObject(nullptr);
            if (r_.Peek().kind != tkEnd) r_.Error(QStringLiteral("End of layout expected"));
            for (TComponent* c : created_)
                c->EndReading();
            root_->EndReading();
        } catch (...) {
            Undo();
            throw;
        }
        // Loaded() runs only on a complete tree: the root first, then the rest in order.
        root_->Loaded();
        for (TComponent* c : created_)
            c->Loaded();
    }

private:
    void Undo() {
        for (const QByteArray& field : fields_) {
            const QMetaProperty p = root_->metaObject()->property(
                root_->metaObject()->indexOfProperty(field.constData()));
            p.write(root_, QVariant(p.metaType(), nullptr));
        }
        for (auto it = created_.rbegin(); it != created_.rend(); ++it)
            delete *it;
        created_.clear();
        if (root_->IsLoading()) root_->Loaded();
    }

    bool IsKeyword(const char* word, int ahead = 0) const {
        const TLayoutToken& t = r_.Peek(ahead);
        return t.kind == tkIdent && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }

    void ReadObject(TComponent* parent) {
        if (!IsKeyword("object")) r_.Error(QStringLiteral("'object' expected"));
        const int objectLine = r_.Next().line;
        QString name, className;
        name = r_.ReadIdent();
        if (r_.Peek().kind == tkSymbol && r_.Peek().text == QLatin1String(":")) {
            r_.Next();
            className = r_.ReadIdent();
        } else {
            className = name;
            name.clear();
        }
        TComponent* component;
        r_.contextLine_ = objectLine;
        // Each level is a frame of this recursion: a limit keeps the stack bounded.
        if (depth_ >= kMaxLayoutNesting) {
            r_.context_ = name.isEmpty() ? className : name;
            r_.Error(QStringLiteral("Objects nested deeper than %1 levels").arg(kMaxLayoutNesting));
        }
        ++depth_;
        if (!parent) {
            if (!InheritsFrom(root_->metaObject(), className))
                r_.Error(
                    QStringLiteral("Layout is for %1, not %2")
                        .arg(className, QString::fromLatin1(root_->metaObject()->className())));
            component = root_;
            rootClass_ = className;
            component->BeginLoading();
            if (!name.isEmpty()) component->SetName(name);
        } else {
            r_.context_ = name.isEmpty() ? className : name;
            auto it = ClassRegistry().find(className);
            if (it == ClassRegistry().end())
                r_.Error(QStringLiteral("Class %1 not found").arg(className));
            component = it->second(root_);
            created_.push_back(component);
            component->BeginLoading();
            if (!name.isEmpty()) {
                if (root_->FindComponent(name) != component && root_->FindComponent(name))
                    r_.Error(QStringLiteral("A component named %1 already exists").arg(name));
                component->SetName(name);
                BindField(name, component);
            }
            component->SetParentComponent(parent);
        }
        const QString componentName = name.isEmpty() ? className : name;
        r_.contextLine_ = 0;
        while (!IsKeyword("end")) {
            r_.context_ = componentName;
            if (r_.Peek().kind == tkEnd)
                r_.Error(QStringLiteral("'end' expected for %1").arg(componentName));
            if (IsKeyword("object") && r_.Peek(1).kind == tkIdent) {
                ReadObject(component);
                continue;
            }
            ReadProperty(component, componentName);
        }
        r_.Next();
        r_.context_.clear();
        --depth_;
    }

    static bool InheritsFrom(const QMetaObject* mo, const QString& className) {
        for (; mo; mo = mo->superClass())
            if (className == QLatin1String(mo->className())) return true;
        return false;
    }

    void BindField(const QString& name, TComponent* component) {
        const QByteArray field = name.toLatin1();
        const int index = root_->metaObject()->indexOfProperty(field.constData());
        if (index < 0) return;
        const QMetaProperty p = root_->metaObject()->property(index);
        if (!(p.metaType().flags() & QMetaType::PointerToQObject)) return;
        if (p.metaType().metaObject() &&
            !component->metaObject()->inherits(p.metaType().metaObject()))
            r_.Error(QStringLiteral("Field %1 of %2 cannot hold a %3")
                         .arg(name, QString::fromLatin1(root_->metaObject()->className()),
                              QString::fromLatin1(component->metaObject()->className())));
        QVariant v(p.metaType(), nullptr);
        *static_cast<QObject**>(v.data()) = component;
        p.write(root_, v);
        fields_.push_back(field);
    }

    void ReadProperty(TComponent* component, const QString& componentName) {
        const TLayoutToken nameToken = r_.Next();
        if (nameToken.kind != tkIdent) r_.Error(QStringLiteral("Property name expected"));
        r_.context_ = componentName + QLatin1Char('.') + nameToken.text;
        r_.contextLine_ = nameToken.line;
        if (!(r_.Peek().kind == tkSymbol && r_.Peek().text == QLatin1String("=")))
            r_.Error(QStringLiteral("'=' expected"));
        r_.Next();
        const QStringList path = nameToken.text.split(QLatin1Char('.'));
        QObject* target = component;
        for (qsizetype i = 0; i + 1 < path.size(); ++i) {
            const QByteArray seg = path[i].toLatin1();
            const int index = target->metaObject()->indexOfProperty(seg.constData());
            if (index < 0) r_.Error(QStringLiteral("Property %1 does not exist").arg(path[i]));
            const QMetaProperty p = target->metaObject()->property(index);
            QObject* sub = (p.metaType().flags() & QMetaType::PointerToQObject)
                               ? *static_cast<QObject* const*>(p.read(target).constData())
                               : nullptr;
            if (!sub) r_.Error(QStringLiteral("Property %1 has no sub-properties").arg(path[i]));
            target = sub;
        }
        SetValue(target, path.back());
        r_.contextLine_ = 0;
    }

    // The texts a user sees are read in the program's language, with the layout's class as
    // their catalogue context; names, fonts, folders and numbers are read as they are.
    static bool IsTextProperty(const QString& name) {
        static const QStringList texts{QStringLiteral("Caption"), QStringLiteral("Hint"),
                                       QStringLiteral("Text"),    QStringLiteral("TextHint"),
                                       QStringLiteral("Title"),   QStringLiteral("Filter"),
                                       QStringLiteral("Strings")};
        return texts.contains(name, Qt::CaseInsensitive);
    }

    void SetValue(QObject* target, const QString& name) {
        r_.textContext_ = IsTextProperty(name) ? rootClass_ : QString();
        SetValueIn(target, name);
        r_.textContext_.clear();
    }

    void SetValueIn(QObject* target, const QString& name) {
        auto* persistent = qobject_cast<TPersistent*>(target);
        if (persistent) {
            PropertyHook hook;
            hook.wanted = name;
            persistent->DefineProperties(hook);
            if (hook.read) {
                hook.read(r_);
                return;
            }
            if (const TPersistent::EventSlot* slot = persistent->FindEvent(name)) {
                BindEvent(*slot, r_.ReadIdent());
                return;
            }
        }
        const QByteArray key = name.toLatin1();
        const int index = target->metaObject()->indexOfProperty(key.constData());
        if (index < 0) r_.Error(QStringLiteral("Property %1 does not exist").arg(name));
        const QMetaProperty p = target->metaObject()->property(index);
        if (!p.isWritable()) r_.Error(QStringLiteral("Property %1 is read-only").arg(name));
        const QVariant value = ReadValueFor(p);
        try {
            if (!p.write(target, value)) r_.Error(QStringLiteral("Invalid property value"));
        } catch (const EReadError&) {
            throw;
        } catch (const Exception& e) {
            r_.Error(e.Message());
        }
    }

    QVariant ReadValueFor(const QMetaProperty& p) {
        const TValueType kind = r_.NextValue();
        if (p.isFlagType()) {
            const QStringList items = r_.ReadSet();
            const QMetaEnum e = p.enumerator();
            int value = 0;
            for (const QString& item : items) {
                bool ok = false;
                const int v = e.keyToValue(item.toLatin1().constData(), &ok);
                if (!ok) r_.Error(QStringLiteral("Invalid set element %1").arg(item));
                value |= v;
            }
            return value;
        }
        if (p.isEnumType()) {
            const QString ident = r_.ReadIdent();
            bool ok = false;
            const int v = p.enumerator().keyToValue(ident.toLatin1().constData(), &ok);
            if (!ok) r_.Error(QStringLiteral("Invalid property value %1").arg(ident));
            return v;
        }
        switch (p.metaType().id()) {
        case QMetaType::Int:
            return ReadIntegerFor(p.metaType(), kind, INT_MIN, INT_MAX);
        case QMetaType::UInt:
            return ReadIntegerFor(p.metaType(), kind, 0, UINT_MAX);
        case QMetaType::Short:
            return ReadIntegerFor(p.metaType(), kind, SHRT_MIN, SHRT_MAX);
        case QMetaType::UShort:
            return ReadIntegerFor(p.metaType(), kind, 0, USHRT_MAX);
        case QMetaType::Long:
        case QMetaType::LongLong:
            return ReadIntegerFor(p.metaType(), kind, static_cast<long double>(LLONG_MIN),
                                  static_cast<long double>(LLONG_MAX));
        case QMetaType::UChar:
            return ReadIntegerFor(p.metaType(), kind, 0, UCHAR_MAX);
        case QMetaType::Bool:
            return r_.ReadBoolean();
        case QMetaType::Double:
            return static_cast<double>(r_.ReadFloatIn(DBL_MAX));
        case QMetaType::Float:
            return static_cast<float>(r_.ReadFloatIn(FLT_MAX));
        case QMetaType::QString:
            return r_.ReadString();
        case QMetaType::QStringList: {
            QStringList l;
            r_.ReadListBegin();
            while (!r_.EndOfList())
                l << r_.ReadString();
            r_.ReadListEnd();
            return l;
        }
        default:
            break;
        }
        r_.Error(QStringLiteral("Property %1 cannot be read from a layout")
                     .arg(QLatin1String(p.name())));
    }

    // An integer property's value, a number in its range or a registered identifier.
    QVariant ReadIntegerFor(QMetaType type, TValueType kind, long double least, long double most) {
        long double value = 0;
        if (kind == TValueType::Integer) {
            value = r_.ReadIntegerIn(least, most);
        } else if (kind == TValueType::Ident) {
            const QString ident = r_.ReadIdent();
            auto it = IntegerIdents().constFind(ident.toLower());
            if (it == IntegerIdents().constEnd() || *it < least || *it > most)
                r_.Error(QStringLiteral("Invalid property value %1").arg(ident));
            value = *it;
        } else {
            r_.Error(QStringLiteral("Integer expected"));
        }
        QVariant v(static_cast<qlonglong>(value));
        v.convert(type);
        return v;
    }

    void BindEvent(const TPersistent::EventSlot& slot, const QString& handler) {
        const QMetaObject* mo = root_->metaObject();
        bool named = false;
        for (int i = 0; i < mo->methodCount(); ++i) {
            const QMetaMethod m = mo->method(i);
            if (QLatin1String(m.name()) != handler) continue;
            named = true;
            if (slot.accepts(m)) {
                slot.bind(root_, m);
                return;
            }
        }
        r_.Error(named ? QStringLiteral("Handler %1 has the wrong parameters").arg(handler)
                       : QStringLiteral("Handler %1 not found in %2")
                             .arg(handler, QString::fromLatin1(mo->className())));
    }

    TComponent* root_;
    QString rootClass_;
    TReader& r_;
    std::vector<TComponent*> created_;
    std::vector<QByteArray> fields_;
    int depth_ = 0; // objects being read, the root included
};

void TLayoutReader::Read(TComponent* root, const QString& text, const QString& fileName) {
    TReader reader(text, fileName);
    TLayoutReaderImpl(root, reader).Run();
}

void TLayoutReader::ReadResource(TComponent* root, const QString& name) {
    const QString path = QStringLiteral(":/layouts/") + name;
    const QByteArray bytes = ResourceBytes(path);
    Read(root, QString::fromUtf8(bytes), name);
}

// ---- TComponentReference ---------------------------------------------------------------

void TComponentReference::Define(TFiler& filer, const QString& name) {
    filer.DefineProperty(
        name, [this](TReader& r) { name_ = r.ReadIdent(); }, [](TWriter&) {}, false);
}

TComponent* TComponentReference::Resolve(TComponent* holder) {
    const QString name = name_;
    name_.clear();
    if (name.isEmpty() || !holder) return nullptr;
    TComponent* owner = holder->Owner();
    return owner ? owner->FindComponent(name) : nullptr;
}
