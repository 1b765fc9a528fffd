// Matching of archive entry names against the masks callers give (IsFileInTheZIPFile, extraction
// masks, the writer's file collection). The rules are those of MS-DOS style masks: '*' takes
// characters up to a dot (before a dot, the whole base name up to the extension dot), '?' takes
// one character, and a trailing '.' or ".*" also matches a name without an extension.
//
// Both functions compare whole texts of any length and are case-sensitive: callers upper-case
// names and masks first with the engine's one upper-casing function (entry_case.h), because the
// portable core knows no code page.
#pragma once
#include <string_view>

// The wildcard match of a name against a pattern. "*.*" matches every name.
bool WildcardMatch(std::string_view name, std::string_view pattern);

// The entry filter: name and pattern may carry folders ('\' or '/'). A pattern without a folder
// matches the name's file part in every folder; a pattern with one must also match the name's
// folder part (compared as a wildcard match when the two differ). Equal texts always match;
// an empty name or pattern matches nothing else.
bool MatchEntryFilter(std::string_view upperName, std::string_view upperPattern);
