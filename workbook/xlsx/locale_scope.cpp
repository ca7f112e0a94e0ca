#include "workbook/xlsx/locale_scope.h"

namespace wb::xlsx {

CLocaleScope::CLocaleScope() : c_(newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr)))
{
    if (c_)
        previous_ = uselocale(c_);
}

CLocaleScope::~CLocaleScope()
{
    if (c_) {
        uselocale(previous_);
        freelocale(c_);
    }
}

}  // namespace wb::xlsx
