/*
 * ravelbank host interface.
 *
 * The C interface a diagnostics host uses with the storage test component and with the suite's
 * libraries it loads beside it. This header will also carry the component's exports, the host's
 * callback, the provider and the data repository interface; today it declares the host allocator
 * (vmmemmgr), which the component uses for all of its memory and hosts use to free text the component
 * hands back.
 *
 * Plain C (C99 and later, C++98 and later); no structure here depends on compiler packing.
 */
#ifndef RAVELBANK_HOST_H
#define RAVELBANK_HOST_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define RAVELBANK_HOST_EXPORT __declspec(dllexport)
#define RAVELBANK_HOST_IMPORT __declspec(dllimport)
#define RAVELBANK_HOST_CALL __cdecl
#else
#define RAVELBANK_HOST_EXPORT __attribute__((visibility("default")))
#define RAVELBANK_HOST_IMPORT
#define RAVELBANK_HOST_CALL
#endif

/* The component's exports: defined by the component's own build, imported by hosts. */
#if defined(RAVELBANK_BUILDING_COMPONENT)
#define RAVELBANK_HOST_API RAVELBANK_HOST_EXPORT
#else
#define RAVELBANK_HOST_API RAVELBANK_HOST_IMPORT
#endif

/* The allocator's exports: defined by vmmemmgr, imported by the component and by hosts. */
#if defined(RAVELBANK_BUILDING_VMMEMMGR)
#define RAVELBANK_ALLOCATOR_API RAVELBANK_HOST_EXPORT
#else
#define RAVELBANK_ALLOCATOR_API RAVELBANK_HOST_IMPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * The host allocator (libvmmemmgr.so / vmmemmgr.dll). Blocks are aligned to 16 bytes. OruAlloc answers
 * null when the block cannot be had; a request for 0 bytes answers a distinct block of its own, which
 * is counted and must be freed like any other. OruFree takes only blocks of OruAlloc; null is ignored.
 * All five functions may be called from any thread.
 */
RAVELBANK_ALLOCATOR_API void* RAVELBANK_HOST_CALL OruAlloc(size_t size);
RAVELBANK_ALLOCATOR_API void RAVELBANK_HOST_CALL OruFree(void* ptr);

/*
 * Counters for test hosts that prove nothing leaks: the blocks and bytes allocated and not yet freed,
 * and the highest number of outstanding bytes seen since the library was loaded.
 */
RAVELBANK_ALLOCATOR_API uint64_t RAVELBANK_HOST_CALL OruGetOutstandingBlocks(void);
RAVELBANK_ALLOCATOR_API uint64_t RAVELBANK_HOST_CALL OruGetOutstandingBytes(void);
RAVELBANK_ALLOCATOR_API uint64_t RAVELBANK_HOST_CALL OruGetPeakBytes(void);

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
#include <string>

/*
 * The component's exports (ravelbank.so / ravelbank.dll). Every document crossing the boundary is a
 * zero-terminated 8-bit XML text. Texts the component returns come from OruAlloc and are released by
 * the host with OruFree; the text an event callback returns is released by the component the same way.
 */
extern "C" {

/* Receives each event document (diagEvent, diagUpdate, status, prompt); may return an answer (a prompt
 * reply) allocated with OruAlloc, or null. May be entered from several threads at once. */
typedef char*(RAVELBANK_HOST_CALL* EventCallback)(const char* document);

/* Options: any element with the attributes persistentFilename, debugEnabled ("1") and component. */
RAVELBANK_HOST_API void RAVELBANK_HOST_CALL Initialize(const char* options);
/* Null options: no persistence. */
RAVELBANK_HOST_API void RAVELBANK_HOST_CALL Uninitialize(const char* options);
RAVELBANK_HOST_API bool RAVELBANK_HOST_CALL IsInitialized(void);
RAVELBANK_HOST_API char* RAVELBANK_HOST_CALL SetCallback(EventCallback callback);
RAVELBANK_HOST_API char* RAVELBANK_HOST_CALL ExecuteXMLCommand(const char* command);
RAVELBANK_HOST_API void RAVELBANK_HOST_CALL CreateTestComponentFailureLogFile(const std::string& component);

/* The run environment: 1 for true, 0 for false. */
RAVELBANK_HOST_API int32_t RAVELBANK_HOST_CALL dvmIsSparrow(void);
RAVELBANK_HOST_API int32_t RAVELBANK_HOST_CALL dvmIsDiagsCD(void);
RAVELBANK_HOST_API int32_t RAVELBANK_HOST_CALL dvmIsOnline(void);
RAVELBANK_HOST_API int32_t RAVELBANK_HOST_CALL dvmIsWinPE(void);
RAVELBANK_HOST_API int32_t RAVELBANK_HOST_CALL dvmIsFactory(void);
RAVELBANK_HOST_API int32_t RAVELBANK_HOST_CALL dvmIsWindlass(void);
RAVELBANK_HOST_API int32_t RAVELBANK_HOST_CALL dvmIsSurveyOnly(void);
RAVELBANK_HOST_API int32_t RAVELBANK_HOST_CALL dvmUseHealthDriver(void);

}  /* extern "C" */

namespace ravelbank {

/*
 * A data repository: named shared objects (addresses the repository does not own), so that several
 * components loaded in one host share objects such as the health-driver access object. A host that
 * supplies its own repository implements these four operations, in this order, and must be built with
 * the same C++ compiler and library as the component (the key is a std::string).
 */
class DataRepositoryInterface {
 public:
  /* The value registered under the key, or null. */
  virtual void* Get(const std::string& key) = 0;
  /* Registers or replaces the value of the key. */
  virtual void Set(const std::string& key, void* value) = 0;
  /* Forgets the key; an unknown key is ignored. */
  virtual void Remove(const std::string& key) = 0;
  virtual ~DataRepositoryInterface() {}
};

/* Answers the host's repository; handed to the component with SetDataRepositoryProvider. */
typedef DataRepositoryInterface*(RAVELBANK_HOST_CALL* DataRepositoryProvider)();

}  // namespace ravelbank

extern "C" RAVELBANK_HOST_API void RAVELBANK_HOST_CALL SetDataRepositoryProvider(
    ravelbank::DataRepositoryProvider provider);
#endif

#endif /* RAVELBANK_HOST_H */
