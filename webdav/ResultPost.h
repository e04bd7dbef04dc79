// Hands a result record to the panel view, which posts it to the user-interface thread.
#pragma once

class IDataRecord;

// Takes over the record; without a view the record is released. A "pMessage" is a
// std::string allocated with new; its receiver, the directory list, deletes it.
void PostWorkResult(IDataRecord* pData);

// For tests: sees every record just before it is handed on, on the posting thread. The
// observer must not keep the record.
typedef void (*WorkResultObserver)(void* pContext, IDataRecord* pData);
void SetWorkResultObserver(WorkResultObserver pfnObserver, void* pContext);
