FOOTPRINT 1 [COLOR: RED] [LOC: 60 min (AEGL-3): 2 ppm]
FOOTPRINT 2 [COLOR: LIGHT ORANGE] [LOC: 60 min
  tModel Run: 1
tTime: x (user specified) (using computer's clock)
tWind: <b>&
tRed   : 1 mile
