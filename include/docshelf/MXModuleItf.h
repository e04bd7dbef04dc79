// SPDX-License-Identifier: Apache-2.0
/**
 * @file MXModuleItf.h
 * @brief The host framework's module base interface and its interface managers.
 *
 * A host gets the component's interfaces by name from the manager CreateComp hands out
 * (IMXCCItfMgr::QueryItf) and hands in a manager of its own (IMXCCItfMgr::SetHostItfMgr),
 * which the component asks for the host's callback interface.
 *
 * @verbatim
   *ppItf receives            name                     asked of
   IDocShelfItf*              "IDocShelf"              the component's manager
   IDocShelfPanelItf*         "IDocShelfPanel"         the component's manager
   IDocShelfTransportItf*     "IDocShelfTransport"     the component's manager
   IDocShelfTransfersItf*     "IDocShelfTransfers"     the component's manager
   IDocShelfAutoDownloadItf*  "IDocShelfAutoDownload"  the component's manager
   IDocShelfInfoItf*          "IDocShelfInfo"          the component's manager
   IDocShelfContainerItf*     "IDocShelfContainerItf"  the host's manager
   @endverbatim
 *
 * The `void*` holds exactly the type in the first column, converted to `void*`. Convert it back
 * with `static_cast` to that type and no other: the objects behind these pointers have several
 * base classes, and a cast to another base, or a `reinterpret_cast` of the object's own
 * address, gives a wrong pointer. Likewise a host converts its container to
 * `IDocShelfContainerItf*` first and then to `void*`.
 */
#pragma once

#include <cstdint>

#include "DocShelfTypes.h"

class IMXCCItfMgr;

/**
 * @brief Base of every module interface an interface manager hands out; here of IDocShelfItf.
 *
 * A reference count, the manager the module belongs to and a thread check. Its methods are
 * defined in the component. The component's module is one object per process: AddRef and
 * Release only count and never free it, and the component's QueryItf does not add a
 * reference, so a host need not call either (a host that does calls them in pairs). Never
 * delete a module.
 */
class IMXModuleItf {
public:
    /** @brief A count of 1, no manager and no owner thread; only the component makes one. */
    IMXModuleItf() = default;
    /** @brief Not copyable. */
    IMXModuleItf(const IMXModuleItf&) = delete;
    /**
     * @brief Not copyable.
     * @return nothing: deleted.
     */
    IMXModuleItf& operator=(const IMXModuleItf&) = delete;

    /** @brief Virtual for the component's own classes; a host never deletes a module. */
    virtual ~IMXModuleItf();
    /**
     * @brief Adds one to the reference count.
     *
     * Any thread (the count is atomic).
     * @return the count after the call.
     */
    virtual int32_t AddRef();
    /**
     * @brief Takes one from the reference count; nothing is freed.
     *
     * Any thread. The module stays usable whatever the count, also at 0 or below.
     * @return the count after the call.
     */
    virtual int32_t Release();
    /**
     * @brief Sets the manager the module belongs to.
     *
     * The component's manager sets itself here in IMXCCItfMgr::QueryItf("IDocShelf") and in
     * IMXCCItfMgr::InitComp; before every callback the module asks that manager for the host's
     * container (IMXCCItfMgr::QueryHostItf). A host never calls it: another manager would get
     * the component's questions.
     * @param pItfMgr the manager, not owned; null: the component calls the host no more.
     */
    virtual void SetItfMgr(IMXCCItfMgr* pItfMgr);
    /**
     * @brief The manager the module belongs to.
     * @return the manager SetItfMgr set (the component's, once "IDocShelf" was asked for or
     *         InitComp ran), null before; not owned.
     */
    virtual IMXCCItfMgr* GetItfMgr();
    /**
     * @brief A check for debugging that the module stays on one thread.
     *
     * The first call records the calling thread as the module's owner. A later call from
     * another thread writes "Assert failed: file=CommonCC line=47 expr=FALSE" to the log at
     * level 16 (CORELOG_ASSERT) and changes nothing. The component never calls it. Any thread.
     */
    virtual void CheckThread();

protected:
    /** @brief The reference count: 1 at construction, changed atomically. */
    int32_t m_nRefCount = 1;
    /** @brief The manager SetItfMgr set; not owned. */
    IMXCCItfMgr* m_pItfMgr = nullptr;
    /** @brief The kernel's id of the thread CheckThread recorded; 0 before its first call. */
    uint32_t m_dwOwnerThread = 0;
};

/**
 * @brief An interface manager: hands out interfaces by name.
 *
 * The component's manager (IMXCCItfMgr) derives from it, and a host implements one of its
 * own for IMXCCItfMgr::SetHostItfMgr.
 */
class IMXItfMgr {
public:
    /** @brief Virtual for the host's own managers; the component never deletes a manager. */
    virtual ~IMXItfMgr() = default;
    /**
     * @brief Looks up an interface by name.
     *
     * What the component expects of the host's manager, the one given to
     * IMXCCItfMgr::SetHostItfMgr:
     * - The component asks for "IDocShelfContainerItf" only, spelled so, before every
     *   callback. For that name set `*ppItf` to the host's container converted first to
     *   `IDocShelfContainerItf*`, then to `void*`
     *   (`*ppItf = static_cast<IDocShelfContainerItf*>(this);` in a class that also derives
     *   from IMXItfMgr), and return 1.
     * - For any other name return 0 and leave `*ppItf` as it is. The component sets its
     *   pointer to null before asking, does not look at the return value and calls back only
     *   when the pointer is not null afterwards: a manager that leaves it null silences every
     *   callback, and the component calls through whatever else it finds there.
     * - It is called on the user-interface thread and on the directory work thread, possibly
     *   both at once, also while IMXCCItfMgr::ReleaseComp runs and until a request that
     *   DestroyComp stopped waiting for has ended. Answer at once with a fixed pointer, take
     *   no lock the host holds while it calls into the component, and keep the manager and the
     *   container valid until the process ends.
     *
     * @param pszName the interface's name, a zero-terminated string.
     * @param ppItf where the interface goes, as `void*`.
     * @return for the host's manager: 1 for a name it answered, 0 for any other (not read by
     *         the component). For the component's manager see IMXCCItfMgr::QueryItf.
     */
    virtual int32_t QueryItf(const char* pszName, void** ppItf) = 0;
};

/**
 * @brief The component's interface manager, which CreateComp hands out.
 *
 * One object per process, owned by the component: every CreateComp gives the same one. Never
 * delete it. All its operations are for the user-interface thread. The order (the host
 * guide's "Start-up" and "Shutdown" tell it whole): CreateComp, SetHostItfMgr, QueryItf for
 * "IDocShelf" and the extensions, IDocShelfTransportItf's settings, InitComp, then
 * IDocShelfItf's settings and IDocShelfItf::DSInit; at the end DestroyComp, which runs
 * ReleaseComp.
 */
class IMXCCItfMgr : public IMXItfMgr {
public:
    /**
     * @brief The component's interfaces by name, in any letter case.
     *
     * "IDocShelf" gives `IDocShelfItf*`, "IDocShelfPanel" `IDocShelfPanelItf*`,
     * "IDocShelfTransport" `IDocShelfTransportItf*`, "IDocShelfTransfers"
     * `IDocShelfTransfersItf*`, "IDocShelfAutoDownload" `IDocShelfAutoDownloadItf*` and
     * "IDocShelfInfo" `IDocShelfInfoItf*`, each converted to `void*`: `static_cast` it back to
     * exactly that type (see MXModuleItf.h). "IDocShelf" also makes this manager the module's
     * (IMXModuleItf::SetItfMgr), so that callbacks find the host. "IDocShelfContainerItf" is
     * the host's and is not answered here.
     *
     * Each interface is one object per process, owned by the component and valid from
     * CreateComp until DestroyComp; the same pointer comes back every time. Nothing is counted.
     * User-interface thread.
     * @param pszName the interface's name.
     * @param ppItf receives the interface. Left unchanged for a name the component does not
     *        know and when pszName or ppItf is null: set it to null before the call and test
     *        it after.
     * @return 1 always, known name or not.
     */
    int32_t QueryItf(const char* pszName, void** ppItf) override = 0;
    /**
     * @brief Hands in the host's interface manager.
     *
     * The component asks it for "IDocShelfContainerItf" before every callback (see
     * IMXItfMgr::QueryItf for what it must answer). Kept until replaced, also across
     * DestroyComp. User-interface thread, before InitComp.
     * @param pHostItfMgr the host's manager, not owned and never deleted; it must stay valid
     *        until the process ends. Null: the component calls the host no more.
     * @return 0.
     */
    virtual int32_t SetHostItfMgr(IMXItfMgr* pHostItfMgr);
    /**
     * @brief Asks the host's manager for an interface, as the component does before every
     * callback; a host has no need to call it.
     *
     * Any thread: the component calls it on the user-interface and the directory work thread.
     * @param pszName the interface's name, passed on.
     * @param ppItf passed on to the host's QueryItf.
     * @return 0, with `*ppItf` unchanged, when no host manager is set; otherwise what the
     *         host's QueryItf returned.
     */
    virtual int32_t QueryHostItf(const char* pszName, void** ppItf);
    /**
     * @brief Puts the panel into the host's widget.
     *
     * Sets hWnd as IDocShelfItf's parent window (IDocShelfItf::SetParentWnd), makes this
     * manager the module's, creates the panel's view on the widget (IDocShelfItf::Init: an
     * event filter on it) and lists the panel's folder again when its lists exist
     * (IDocShelfItf::RefreshRoot). The panel's lists are created in the widget by
     * IDocShelfItf::DSInit, so give InitComp before DSInit: after it, the widget stays empty.
     * Without InitComp the callbacks of the user-interface thread (transfers, meeting
     * messages, NotifyPresenterFiles, SetChatFilterFile) never come: their results travel
     * through the panel's view. Once per CreateComp: a second InitComp keeps the first
     * widget. User-interface thread.
     * @param hWnd the host's QWidget as HWND, not attached to a panel already. Not owned;
     *        it must exist until DestroyComp has returned.
     * @param nReserved not used; pass 0.
     * @return 1.
     */
    virtual int32_t InitComp(HWND hWnd, int32_t nReserved) = 0;
    /**
     * @brief Ends the component's work; DestroyComp calls it, and a host calls DestroyComp
     * instead.
     *
     * Runs the directory work queued before it, waiting up to 5 s (work blocked on a silent
     * server is not waited for); cancels every transfer and stops the transfer threads,
     * waiting up to 3 s for them; closes the kept connections; sets the transport back to
     * plain HTTP (IDocShelfTransportItf); forgets the save directory, rights, limits, role,
     * author and automatic download; destroys the panel. From then on no callback reaches
     * the host until InitComp is given again. The server, the credentials, the host's
     * manager and IDocShelfAutoDownloadItf's rate stay. User-interface thread, while the
     * widget and the QApplication exist.
     * @return 0 when every transfer thread ended, 258 when one was left to end by itself
     *         (a transfer blocked on a silent server).
     */
    virtual int32_t ReleaseComp() = 0;

protected:
    /** @brief The host's manager SetHostItfMgr set; not owned; null until then. */
    IMXItfMgr* m_pHostItfMgr = nullptr;
};
