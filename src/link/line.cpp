#include "link/line.h"

namespace seriallink
{

// The one out-of-line member gives the class its home for the type information.
Line::~Line() = default;

} // namespace seriallink
