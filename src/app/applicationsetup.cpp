#include "app/applicationsetup.h"

#include "app/accessibility.h"
#include "app/groupboxstyle.h"

void setUpApplication()
{
    accessibility::installFactory();
    groupboxstyle::install();
}
