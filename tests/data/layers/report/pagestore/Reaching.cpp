// Includes the layer check must refuse in the page store (tests/CMakeLists.txt).
#include "framework/widgets/Forms.h"
#include "framework/printing/Printers.h"
#include "report/RpPrntr.h"
#include "report/pagestore/RpTypes.h"
#include <QWidget>
#include <QPrinter>
#include <cups/cups.h>
#include <QByteArray>
