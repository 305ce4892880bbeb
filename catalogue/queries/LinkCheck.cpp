#include "catalogue/queries/LinkCheck.h"

#include "catalogue/ResPropertyBag.h"
#include "resources/strings/StringTable.h"

namespace NResourceItem {
namespace {

constexpr const char* kAssembly = "ASSY_VIDEO";
constexpr const char* kServer = "SERVER_MPEG4";
constexpr const char* kCamera = "CAMERA_IP";
constexpr const char* kLocal = "(local)";

CString PropertyOr(IResPropertyBag* bag, const char* key, const char* fallback) {
    CString value;
    bag->Get(key, value);
    return value.IsEmpty() ? CString(fallback) : value;
}

}  // namespace

void AppendError(const CString& msg, CString& out) {
    if (msg.IsEmpty())
        return;
    if (!out.IsEmpty())
        out += '\n';
    out += msg;
}

bool CLinkChecker::CheckLink(const CString& id, const CString& type, CString& out) {
    return _check(id, type, out, nullptr);
}

bool CLinkChecker::CheckAssembly(const CString& id, SAssemblyLinkCheck& parts) {
    return _check(id, kAssembly, parts.assembly, &parts);
}

bool CLinkChecker::_check(const CString& id, const CString& type, CString& out,
                          SAssemblyLinkCheck* parts) {
    if (++m_checkCalls > kMaxCalls) {
        out += "Possible recursive referencing detected. Aborting check!";
        return true;
    }
    if ((type.CompareNoCase(kServer) == 0 || type.CompareNoCase(kCamera) == 0) &&
        id.CompareNoCase(kLocal) == 0)
        return false;

    CString msg;
    bool result = true;
    CZRauto_ptr<IResourceItem> item;
    if (m_collection && !id.IsEmpty())
        item = m_collection->GetItemById(id);
    if (id.IsEmpty()) {
        msg = "Empty resource name detected!";
    } else if (!item) {
        msg.Format("%s does not exist", id.GetString());
    } else if (item->get_Type() != type) {
        msg.Format("%s is not of type %s", id.GetString(), type.GetString());
    } else {
        CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance(item->get_Conn());
        if (type.CompareNoCase(kAssembly) == 0)
            result = _check_assembly(bag, id, msg, parts);
        else if (type.CompareNoCase(kServer) == 0)
            result = _check_server(bag, id, msg);
        else if (type.CompareNoCase(kCamera) == 0)
            result = false;
        else
            msg.Format("%s - type %s is not handled by this checker!", id.GetString(),
                       type.GetString());
    }
    AppendError(msg, out);
    return result;
}

bool CLinkChecker::_check_assembly(IResPropertyBag* bag, const CString& id, CString& msg,
                                   SAssemblyLinkCheck* parts) {
    const CString server = PropertyOr(bag, "RES_SERVER", kLocal);
    const CString camera = PropertyOr(bag, "RES_CAMERA", kLocal);
    // Both links are followed even when the first is broken; the secondary camera is
    // optional and not checked.
    CString serverErrors, cameraErrors;
    const bool serverBroken = CheckLink(server, kServer, serverErrors);
    const bool cameraBroken = CheckLink(camera, kCamera, cameraErrors);
    CString line;
    if (serverBroken) {
        line.Format("%s : %s", id.GetString(), serverErrors.GetString());
        AppendError(line, parts ? parts->server : msg);
    }
    if (cameraBroken) {
        line.Format("%s : %s", id.GetString(), cameraErrors.GetString());
        AppendError(line, parts ? parts->camera : msg);
    }
    return serverBroken || cameraBroken;
}

bool CLinkChecker::_check_server(IResPropertyBag* bag, const CString& id, CString& msg) {
    CString name;
    bag->Get("SERVER", name);
    CZRauto_ptr<IResourceItem> target;
    if (m_collection && !name.IsEmpty())
        target = m_collection->GetItemById(name);
    // A name that is no resource, or the server itself, is a plain machine name.
    if (!target || name.CompareNoCase(id) == 0)
        return false;
    const CString targetType = target->get_Type();
    if (targetType == kAssembly || targetType == kServer)
        return CheckLink(name, targetType, msg);
    msg.Format("%s uses a redirected server name '%s' of unsupported type '%s'", id.GetString(),
               name.GetString(), targetType.GetString());
    return true;
}

SLinkCheckResult CheckRoomLinks(IKitroster* collection, const CIdentifierSet& selected,
                                const CIdentifierSet& missing) {
    SLinkCheckResult result;
    if (!collection)
        return result;
    CLinkChecker checker(collection);
    for (const CString& assembly : selected) {
        checker.ResetCalls();
        checker.CheckLink(assembly, kAssembly, result.errors);
        ++result.count;
    }
    for (const CString& id : missing) {
        CString msg;
        msg.Format("%s does not exist", id.GetString());
        AppendError(msg, result.errors);
        ++result.count;
    }
    return result;
}

SAssemblyLinkCheck CheckAssemblyLinks(IKitroster* collection, const CString& id) {
    SAssemblyLinkCheck parts;
    if (collection)
        CLinkChecker(collection).CheckAssembly(id, parts);
    return parts;
}

CString CheckServerRedirect(IKitroster* collection, const CString& id) {
    CString errors;
    CZRauto_ptr<IResourceItem> item;
    if (collection && !id.IsEmpty())
        item = collection->GetItemById(id);
    if (item && item->get_Type() == kServer)
        CLinkChecker(collection).CheckLink(id, kServer, errors);
    return errors;
}

SLinkCheckMessage LinkCheckMessage(const SLinkCheckResult& result, bool includeLocal) {
    SLinkCheckMessage message;
    message.captionId = IDS_ROOM_CHECK;
    message.caption = LoadResString(IDS_ROOM_CHECK);
    if (!result.errors.IsEmpty()) {
        message.messageId = IDS_LINK_ERRORS;
        message.text = FormatResString(IDS_LINK_ERRORS, result.errors.GetString());
        message.icon = ELinkCheckIcon::Warning;
        message.showWhenSilent = true;
        return message;
    }
    if (result.count > 0)
        message.messageId = IDS_LINKS_OK;
    else
        message.messageId = includeLocal ? IDS_ROOM_LOCAL_ONLY : IDS_ROOM_NO_ASSEMBLIES;
    message.text = LoadResString(message.messageId);
    message.icon = ELinkCheckIcon::Information;
    return message;
}

}  // namespace NResourceItem
