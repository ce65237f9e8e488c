#pragma once

class TDictioSet;

// Saves the set, loads the file into a fresh set and saves that again: the set must save
// and load. The reread set must hold the same names, texts and codes and the second file
// the same bytes for every set whose names the file can carry: a name ending with a
// carriage return is written just before its line feed, where every text reader of the
// program drops one.
void RequireTableDictionaryRoundTrip(const TDictioSet& set);
