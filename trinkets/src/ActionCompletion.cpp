#include "trinkets/src/ActionCompletion.h"

#include "trinkets/src/Action.h"

namespace {

class TokenLink final : public OMLink {
 public:
  explicit TokenLink(std::shared_ptr<Action*> token) : token_(std::move(token)) {}

  OMWord call(OMWord) override { return call(); }
  OMWord call() override
  {
    Action* action = *token_;
    if (!action) return 0;
    *token_ = nullptr;
    action->finish();
    return 1;
  }
  std::unique_ptr<OMLink> clone() const override { return std::make_unique<TokenLink>(token_); }

 private:
  std::shared_ptr<Action*> token_;
};

}  // namespace

std::unique_ptr<OMLink> ActionCompletion::arm()
{
  disarm();
  token_ = std::make_shared<Action*>(action_);
  return std::make_unique<TokenLink>(token_);
}

void ActionCompletion::disarm()
{
  if (token_) *token_ = nullptr;
  token_.reset();
}
