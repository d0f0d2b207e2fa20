#include "table/shared_table.h"

#include "protocol/records.h"

const char* RequestKindName(int32_t kind)
{
    switch (kind) {
    case LM_SVC_CONNECT_REQ: return "LM_SVC_CONNECT_REQ";
    case LM_SVC_TOOLBAR_MSG_REQ: return "LM_SVC_TOOLBAR_MSG_REQ";
    case LM_SVC_URL_REQ: return "LM_SVC_URL_REQ";
    case LM_SVC_NOTICE_REQ: return "LM_SVC_NOTICE_REQ";
    case LM_SVC_CHANGED_REQ: return "LM_SVC_CHANGED_REQ";
    default: return "";
    }
}
