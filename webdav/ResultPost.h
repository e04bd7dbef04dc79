// Hands a result record to the panel view, which posts it to the user-interface thread.
#pragma once

class IDataRecord;

// Takes over the record; without a view the record is released.
void PostWorkResult(IDataRecord* pData);
