// The layout reader on any text: read into a form, or refused with the reader's error.

#include "FuzzSupport.h"
#include "framework/core/Reader.h"
#include "framework/widgets/Forms.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    StartFuzzing(true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TForm form(nullptr);
    try {
        TLayoutReader::Read(&form, text, QStringLiteral("fuzz.layout"));
    } catch (const Exception&) {
    }
    return 0;
}
