; script
; An edit field whose caption is a long text in a large font: each glyph of it was drawn
; pixel by pixel, also the thousands beyond the stage, and one frame took minutes.
o=REditTxt 400 300 3 2000 0 80 huge
pause 0.2
