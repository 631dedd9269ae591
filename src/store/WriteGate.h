#pragma once

// Who may write to the database file next, between the user's thread and the program's
// background writers (the search index's build). The user's commands always win: a background
// writer takes its turn only while the user's thread neither holds nor wants one, and gives
// each turn back after a few milliseconds of work; the user's thread waits at most for the
// turn under way, never behind a queue of them. Without the gate the engine's busy handler,
// sleeping in growing steps, kept missing the short gaps between a background writer's
// transactions, and a user's commit could wait seconds and then fail with "database is locked".
//
// The engine's own lock still guards the file against other programs; the gate only orders
// this program's connections.

// The user's thread's turn, taken and given back in pairs (a transaction guard does so across
// its scope). Nested pairs on the same thread are free.
void EnterUserWrite();
void LeaveUserWrite();

// Whether the calling thread holds the user's turn now.
bool HoldsUserWrite();

// The user's thread holds this around a write: a whole transaction, or one statement that
// writes outside of one. Nested turns on the same thread are free.
class UserWriteTurn {
public:
    UserWriteTurn();
    ~UserWriteTurn();
    UserWriteTurn(const UserWriteTurn&) = delete;
    UserWriteTurn& operator=(const UserWriteTurn&) = delete;
};

// A background writer's turn. Acquire() gives it only while the user's thread holds and wants
// none; it never waits for one, so a writer may hold other locks while it asks. The turn ends
// with the object, or with Release().
class BackgroundWriteTurn {
public:
    BackgroundWriteTurn() = default;
    ~BackgroundWriteTurn();
    BackgroundWriteTurn(const BackgroundWriteTurn&) = delete;
    BackgroundWriteTurn& operator=(const BackgroundWriteTurn&) = delete;
    // True when the turn is taken.
    bool TryAcquire();
    void Release();
    // Whether the user's thread is waiting for, or holds, a turn now.
    static bool UserWants();
    // Whether the user's thread has been waiting for a turn longer than ms: a background
    // writer in the middle of a turn ends it early then, rather than finishing it.
    static bool UserWaitingLongerThan(int ms);

private:
    bool held = false;
};
