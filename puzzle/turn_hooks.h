#pragma once
// What the cube core reports to the play modes. The core knows nothing else of them.

class TurnHooks {
public:
    virtual ~TurnHooks() = default;
    /// The last turn of a scramble has been started and the scramble has ended.
    virtual void OnScrambleFinished() = 0;
    /// A completed turn left the cube solved; the move history has already been emptied.
    virtual void OnCubeSolved() = 0;
};
