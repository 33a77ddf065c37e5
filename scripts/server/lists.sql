-- Fills the server's lists from the staging tables that server-setup.sh
-- loaded from the program's own files (in_ds, in_os, in_cpv, in_praguri, in_anexa2).
-- Directorates and sub-units follow the program's lists; the catalogue and
-- the thresholds are laid in only when the server has none, since the
-- directorate keeps them current on the server from then on.

INSERT INTO tendro.ds (idds, numeds) SELECT idds, numeds FROM in_ds
  ON CONFLICT (idds) DO UPDATE SET numeds = EXCLUDED.numeds;
INSERT INTO tendro.os (idos, idds, numeos) SELECT idos, idds, numeos FROM in_os
  ON CONFLICT (idos) DO UPDATE SET idds = EXCLUDED.idds, numeos = EXCLUDED.numeos;

INSERT INTO tendro.cpv (id, cod, den, fel, anexa2, lista, cod2)
  SELECT id, cod, den, fel, 0, lista, cod2 FROM in_cpv
  WHERE NOT EXISTS (SELECT 1 FROM tendro.cpv);
-- The Annex 2 services (their purchases have a threshold of their own), once:
-- a catalogue from before they were told apart has none marked.
UPDATE tendro.cpv c SET anexa2 = 1
  WHERE EXISTS (SELECT 1 FROM in_anexa2 a WHERE c.cod2 BETWEEN a.de_la AND a.pana_la)
    AND NOT EXISTS (SELECT 1 FROM tendro.cpv WHERE anexa2 = 1);
-- The utility row every working file gets at its first start.
INSERT INTO tendro.cpv (id, cod, den, fel, cod2)
  SELECT (SELECT max(id) + 1 FROM tendro.cpv), '30192120-COD INVALID', 'Produse pentru scris', 1, 30192120
  WHERE NOT EXISTS (SELECT 1 FROM tendro.cpv WHERE cod2 = 30192120);

INSERT INTO tendro.praguri (dela, tip, directa, simplificata, sursa)
  SELECT dela, tip, directa, simplificata, sursa FROM in_praguri
  WHERE NOT EXISTS (SELECT 1 FROM tendro.praguri);
-- Thresholds from before the Annex 2 services' own get their rows once.
INSERT INTO tendro.praguri (dela, tip, directa, simplificata, sursa)
  SELECT dela, tip, directa, simplificata, sursa FROM in_praguri
  WHERE tip = 'S2' AND NOT EXISTS (SELECT 1 FROM tendro.praguri WHERE tip = 'S2');

INSERT INTO tendro.conturi (rol, idos) SELECT 'os' || idos, idos FROM tendro.os
  ON CONFLICT (rol) DO UPDATE SET idos = EXCLUDED.idos, idds = NULL;
INSERT INTO tendro.conturi (rol, idds) SELECT 'ds' || idds, idds FROM tendro.ds
  ON CONFLICT (rol) DO UPDATE SET idds = EXCLUDED.idds, idos = NULL;
