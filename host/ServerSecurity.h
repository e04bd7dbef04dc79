// SPDX-License-Identifier: Apache-2.0
// How the component reaches the server: HTTPS and the certificate it trusts, and whether a
// password may go out in clear. Handed over before the component starts, through its
// "IDocShelfTransport" extension.
#pragma once

#include <string>

struct CHostOptions;
class IDocShelfTransportItf;

// Hands the options' settings to pTransport, which is null for a component without the
// extension. False, the reason on standard error, when the component cannot use them.
bool ApplyServerSecurity(IDocShelfTransportItf* pTransport, const CHostOptions& options);

// Why the component last refused the server, as one printable line; empty when it did not or
// pTransport is null.
std::string LastTransportFailure(IDocShelfTransportItf* pTransport);
