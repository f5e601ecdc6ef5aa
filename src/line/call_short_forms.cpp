// TTapiCall: the short forms of the line's answering operations.

#include "kxtapi/line/call.h"
#include "kxtapi/line/line.h"

namespace kxtapi {

void TTapiCall::Accept(const std::string& UserUserInfo)
{
    FLine->Accept(this, UserUserInfo);
}

void TTapiCall::Answer(const std::string& UserUserInfo)
{
    FLine->Answer(this, UserUserInfo);
}

void TTapiCall::Drop(const std::string& UserUserInfo)
{
    FLine->Drop(this, UserUserInfo);
}

} // namespace kxtapi
