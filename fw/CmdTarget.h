// Something that handles commands: the frame, views, the document and the application.
#pragma once

class CCmdUI;

class CCmdTarget {
  public:
    virtual ~CCmdTarget() = default;
    // With ui null: run command id. With ui given: fill in the command's state.
    // Returns true when this target handles id (it then owns its state and its running).
    virtual bool OnCmdMsg(unsigned id, CCmdUI* ui) = 0;
};
