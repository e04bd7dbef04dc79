// SPDX-License-Identifier: Apache-2.0
// Hands a result record to the panel view, which posts it to the user-interface thread.
#pragma once

#include <cstdint>

class IDataRecord;

// Takes over the record; without a view the record is released.
void PostWorkResult(IDataRecord* pData);

// Any thread: a record handed on is still queued for the user-interface thread or being
// handled there.
bool AreWorkResultsPending();

// The key under which a newer record may supersede this one before delivery: a transfer's
// progress, per task and direction. 0 for every record that must arrive.
uint64_t SupersedeKeyOf(IDataRecord* pData);

// Releases a posted record that was handled or could not be delivered. A "pMessage" text
// (a std::string allocated with new) belongs to the record until a receiver takes it by
// removing the key; one still there is freed here.
void ReleaseWorkResult(IDataRecord* pData);
