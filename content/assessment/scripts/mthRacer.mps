; The first script: the splash with its "Start" button, then a short race of one right answer
; (counting problems at the slowest speed). The prize ticket leads on to the sign-in.
Scene "SplashScreen"
setMenu 0
fadeFromBlack
start=RPButton 240 400 1000
set start hit startRace
wait

procedure startRace
[
  say "start"
  drop start
  fadeToBlack
  voice=RDitty ""
  race=QvKill 1
  set race speed 1
  set race diffLevel 1
  set race stateProblem sayProblem
  set race reStateProblem sayProblemAgain
  set race sayNextProblem nextSign
  set race rightAnswer nextSign
  set race wrongAnswer showAnswer
  set race gameOver raceOver
  set race rewardPrizeTicket raceWon
  play race showRoad
  play race startGame
]

; A new problem: said, then its signs come.
procedure sayProblem
[
  get race qvSpeechID speech
  say "stateProblem" speech
  play voice resSingle "WAVE" speech
  play race startProblem
]

procedure sayProblemAgain
[
  say "reStateProblem"
  play voice stop
  play voice resSingle "WAVE" speech
]

procedure nextSign
[
  play race nextProblemSign
]

procedure showAnswer
[
  say "wrongAnswer"
  play race showAnswer
]

procedure raceOver
[
  say "gameOver"
  call toSignIn
]

procedure raceWon
[
  say "rewardPrizeTicket"
  call toSignIn
]

procedure toSignIn
[
  play race shutOff
  fadeToBlack
  next="signin.mps"
  relay next
]
