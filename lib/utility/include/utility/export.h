// SPDX-License-Identifier: MIT
// Marks the public interface of the utility library: a shared build hides
// every other symbol.
#ifndef SCTE104_UTILITY_EXPORT_H
#define SCTE104_UTILITY_EXPORT_H

#if defined(__GNUC__) || defined(__clang__)
#define EXT_API __attribute__((visibility("default")))
#else
#define EXT_API
#endif

#endif  // SCTE104_UTILITY_EXPORT_H
