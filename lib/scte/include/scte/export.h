// SPDX-License-Identifier: MIT
// Marks the public interface of the scte_104 library: a shared build hides
// every other symbol.
#ifndef SCTE104_SCTE_EXPORT_H
#define SCTE104_SCTE_EXPORT_H

#if defined(__GNUC__) || defined(__clang__)
#define SCTE_104_API __attribute__((visibility("default")))
#else
#define SCTE_104_API
#endif

#endif  // SCTE104_SCTE_EXPORT_H
