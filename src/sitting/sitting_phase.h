#pragma once

// Where one question of a sitting stands. Both drills pass through the same
// phases; what a drill says in them (a reading of the equation, the clock's
// question and spoken time) is its own.
enum class SittingPhase {
    Closed,          // the window is not loaded
    Posed,           // a new question is shown; its prompt or reading is due
    Asking,          // the question's prompt or reading is being played
    Open,            // the question waits for the child's answer
    AnsweredPending, // answered right; the reading of the answer is due
    Reading,         // the answer is being read aloud
    Answered,        // answered and read: 次 asks the next question
};
