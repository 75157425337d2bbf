// What every operation of the tools that can fail answers: it did what it was asked, or it
// failed, having told the administrator or the log where its caller expects it to. (The
// interpreter's statuses, which tell more than that, stay statuses; see SqliQuery.h.)
#pragma once

enum class Outcome { Done = 0, Failed = 1 };
