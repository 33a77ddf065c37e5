-- The directorate's server: the sub-units' programmes, realizations,
-- transmissions and approvals in schema tendro, with the row-level security
-- that keeps each account to its own rows. Run by server-setup.sh as role
-- tendro_owner, which owns everything and cannot log in. Safe to run again:
-- every table is created when missing, every column added when missing,
-- and policies and grants are laid anew.

CREATE SCHEMA IF NOT EXISTS tendro;
REVOKE ALL ON SCHEMA tendro FROM PUBLIC;
GRANT USAGE ON SCHEMA tendro TO tendro_subunitati, tendro_directii;

-- The program's own lists.
CREATE TABLE IF NOT EXISTS tendro.ds (idds smallint PRIMARY KEY);
ALTER TABLE tendro.ds ADD COLUMN IF NOT EXISTS numeds text NOT NULL DEFAULT '';

CREATE TABLE IF NOT EXISTS tendro.os (idos smallint PRIMARY KEY);
ALTER TABLE tendro.os ADD COLUMN IF NOT EXISTS idds smallint REFERENCES tendro.ds;
ALTER TABLE tendro.os ADD COLUMN IF NOT EXISTS numeos text NOT NULL DEFAULT '';

-- Which sub-unit (idos) or directorate (idds) each login account stands for.
CREATE TABLE IF NOT EXISTS tendro.conturi (rol name PRIMARY KEY);
ALTER TABLE tendro.conturi ADD COLUMN IF NOT EXISTS idos smallint REFERENCES tendro.os;
ALTER TABLE tendro.conturi ADD COLUMN IF NOT EXISTS idds smallint REFERENCES tendro.ds;

CREATE TABLE IF NOT EXISTS tendro.cpv (id integer PRIMARY KEY);
ALTER TABLE tendro.cpv ADD COLUMN IF NOT EXISTS cod text NOT NULL DEFAULT '';
ALTER TABLE tendro.cpv ADD COLUMN IF NOT EXISTS den text NOT NULL DEFAULT '';
ALTER TABLE tendro.cpv ADD COLUMN IF NOT EXISTS fel smallint;
ALTER TABLE tendro.cpv ADD COLUMN IF NOT EXISTS anexa2 integer;
ALTER TABLE tendro.cpv ADD COLUMN IF NOT EXISTS lista smallint;
ALTER TABLE tendro.cpv ADD COLUMN IF NOT EXISTS cod2 integer;

CREATE TABLE IF NOT EXISTS tendro.praguri (dela text, tip text, PRIMARY KEY (dela, tip));
ALTER TABLE tendro.praguri ADD COLUMN IF NOT EXISTS directa bigint;
ALTER TABLE tendro.praguri ADD COLUMN IF NOT EXISTS simplificata bigint;
ALTER TABLE tendro.praguri ADD COLUMN IF NOT EXISTS sursa text NOT NULL DEFAULT '';

-- Items by their identity. versiune counts the sub-unit's changes, so the
-- directorate can tell that an item moved after it was taken in.
CREATE TABLE IF NOT EXISTS tendro.program (uid text PRIMARY KEY);
ALTER TABLE tendro.program ADD COLUMN IF NOT EXISTS idos smallint NOT NULL REFERENCES tendro.os;
ALTER TABLE tendro.program ADD COLUMN IF NOT EXISTS id integer;
ALTER TABLE tendro.program ADD COLUMN IF NOT EXISTS activit text NOT NULL DEFAULT '';
ALTER TABLE tendro.program ADD COLUMN IF NOT EXISTS lei double precision;
ALTER TABLE tendro.program ADD COLUMN IF NOT EXISTS euro double precision;
ALTER TABLE tendro.program ADD COLUMN IF NOT EXISTS datainc1 text NOT NULL DEFAULT '';
ALTER TABLE tendro.program ADD COLUMN IF NOT EXISTS datainc2 text NOT NULL DEFAULT '';
ALTER TABLE tendro.program ADD COLUMN IF NOT EXISTS datafin1 text NOT NULL DEFAULT '';
ALTER TABLE tendro.program ADD COLUMN IF NOT EXISTS datafin2 text NOT NULL DEFAULT '';
ALTER TABLE tendro.program ADD COLUMN IF NOT EXISTS resp text NOT NULL DEFAULT '';
ALTER TABLE tendro.program ADD COLUMN IF NOT EXISTS detal text NOT NULL DEFAULT '';
ALTER TABLE tendro.program ADD COLUMN IF NOT EXISTS fond text NOT NULL DEFAULT '';
ALTER TABLE tendro.program ADD COLUMN IF NOT EXISTS proced text NOT NULL DEFAULT '';
ALTER TABLE tendro.program ADD COLUMN IF NOT EXISTS anunt text NOT NULL DEFAULT '';
ALTER TABLE tendro.program ADD COLUMN IF NOT EXISTS proiect text NOT NULL DEFAULT '';
ALTER TABLE tendro.program ADD COLUMN IF NOT EXISTS realiz double precision;
ALTER TABLE tendro.program ADD COLUMN IF NOT EXISTS modalitate text NOT NULL DEFAULT '';
ALTER TABLE tendro.program ADD COLUMN IF NOT EXISTS versiune bigint NOT NULL DEFAULT 1;
ALTER TABLE tendro.program ADD COLUMN IF NOT EXISTS modificat timestamptz NOT NULL DEFAULT now();
CREATE INDEX IF NOT EXISTS program_idos ON tendro.program (idos);

CREATE TABLE IF NOT EXISTS tendro.realiz (uid text PRIMARY KEY);
ALTER TABLE tendro.realiz ADD COLUMN IF NOT EXISTS uidp text;
ALTER TABLE tendro.realiz ADD COLUMN IF NOT EXISTS idos smallint NOT NULL REFERENCES tendro.os;
ALTER TABLE tendro.realiz ADD COLUMN IF NOT EXISTS id integer;
ALTER TABLE tendro.realiz ADD COLUMN IF NOT EXISTS contrnr text NOT NULL DEFAULT '';
ALTER TABLE tendro.realiz ADD COLUMN IF NOT EXISTS contrdata1 text NOT NULL DEFAULT '';
ALTER TABLE tendro.realiz ADD COLUMN IF NOT EXISTS contrdata2 text NOT NULL DEFAULT '';
ALTER TABLE tendro.realiz ADD COLUMN IF NOT EXISTS lei double precision;
ALTER TABLE tendro.realiz ADD COLUMN IF NOT EXISTS actnr text NOT NULL DEFAULT '';
ALTER TABLE tendro.realiz ADD COLUMN IF NOT EXISTS actdata1 text NOT NULL DEFAULT '';
ALTER TABLE tendro.realiz ADD COLUMN IF NOT EXISTS actdata2 text NOT NULL DEFAULT '';
ALTER TABLE tendro.realiz ADD COLUMN IF NOT EXISTS furniz text NOT NULL DEFAULT '';
ALTER TABLE tendro.realiz ADD COLUMN IF NOT EXISTS refer text NOT NULL DEFAULT '';
ALTER TABLE tendro.realiz ADD COLUMN IF NOT EXISTS denumach text NOT NULL DEFAULT '';
ALTER TABLE tendro.realiz ADD COLUMN IF NOT EXISTS proiect text NOT NULL DEFAULT '';
CREATE INDEX IF NOT EXISTS realiz_idos ON tendro.realiz (idos);

-- Every transmission of a sub-unit and what it did.
CREATE TABLE IF NOT EXISTS tendro.transmiteri (idt bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY);
ALTER TABLE tendro.transmiteri ADD COLUMN IF NOT EXISTS idos smallint NOT NULL REFERENCES tendro.os;
ALTER TABLE tendro.transmiteri ADD COLUMN IF NOT EXISTS moment timestamptz NOT NULL DEFAULT now();
ALTER TABLE tendro.transmiteri ADD COLUMN IF NOT EXISTS cont name NOT NULL DEFAULT current_user;
ALTER TABLE tendro.transmiteri ADD COLUMN IF NOT EXISTS pozitii integer NOT NULL DEFAULT 0;
ALTER TABLE tendro.transmiteri ADD COLUMN IF NOT EXISTS noi integer NOT NULL DEFAULT 0;
ALTER TABLE tendro.transmiteri ADD COLUMN IF NOT EXISTS modificate integer NOT NULL DEFAULT 0;
ALTER TABLE tendro.transmiteri ADD COLUMN IF NOT EXISTS sterse integer NOT NULL DEFAULT 0;
ALTER TABLE tendro.transmiteri ADD COLUMN IF NOT EXISTS pastrate integer NOT NULL DEFAULT 0;
ALTER TABLE tendro.transmiteri ADD COLUMN IF NOT EXISTS lei double precision NOT NULL DEFAULT 0;
ALTER TABLE tendro.transmiteri ADD COLUMN IF NOT EXISTS realizari integer NOT NULL DEFAULT 0;
CREATE INDEX IF NOT EXISTS transmiteri_idos ON tendro.transmiteri (idos, moment);

-- Every change of an item's procedure, announcement or mode by the directorate.
CREATE TABLE IF NOT EXISTS tendro.aprobari (ida bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY);
ALTER TABLE tendro.aprobari ADD COLUMN IF NOT EXISTS uid text NOT NULL DEFAULT '';
ALTER TABLE tendro.aprobari ADD COLUMN IF NOT EXISTS idos smallint NOT NULL REFERENCES tendro.os;
ALTER TABLE tendro.aprobari ADD COLUMN IF NOT EXISTS moment text NOT NULL DEFAULT '';
ALTER TABLE tendro.aprobari ADD COLUMN IF NOT EXISTS procedvechi text NOT NULL DEFAULT '';
ALTER TABLE tendro.aprobari ADD COLUMN IF NOT EXISTS proced text NOT NULL DEFAULT '';
ALTER TABLE tendro.aprobari ADD COLUMN IF NOT EXISTS anunt text NOT NULL DEFAULT '';
ALTER TABLE tendro.aprobari ADD COLUMN IF NOT EXISTS modalitate text NOT NULL DEFAULT '';
ALTER TABLE tendro.aprobari ADD COLUMN IF NOT EXISTS cont name NOT NULL DEFAULT current_user;
ALTER TABLE tendro.aprobari ADD COLUMN IF NOT EXISTS scris timestamptz NOT NULL DEFAULT now();
CREATE INDEX IF NOT EXISTS aprobari_uid ON tendro.aprobari (uid);

-- The sub-unit and the directorate of the account that asks.
CREATE OR REPLACE FUNCTION tendro.cont_idos() RETURNS smallint
  LANGUAGE sql STABLE AS $$ SELECT idos FROM tendro.conturi WHERE rol = current_user $$;
CREATE OR REPLACE FUNCTION tendro.cont_idds() RETURNS smallint
  LANGUAGE sql STABLE AS $$ SELECT idds FROM tendro.conturi WHERE rol = current_user AND idos IS NULL $$;
-- The sub-units of the asking directorate account.
CREATE OR REPLACE FUNCTION tendro.cont_subunitati() RETURNS SETOF smallint
  LANGUAGE sql STABLE AS $$ SELECT idos FROM tendro.os WHERE idds = tendro.cont_idds() $$;

-- Only the sub-unit's own fields move the version; the directorate's do not.
CREATE OR REPLACE FUNCTION tendro.program_versiune() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  IF (NEW.idos, NEW.id, NEW.activit, NEW.lei, NEW.euro, NEW.datainc1, NEW.datainc2, NEW.datafin1, NEW.datafin2,
      NEW.resp, NEW.detal, NEW.fond, NEW.proiect, NEW.realiz)
     IS DISTINCT FROM
     (OLD.idos, OLD.id, OLD.activit, OLD.lei, OLD.euro, OLD.datainc1, OLD.datainc2, OLD.datafin1, OLD.datafin2,
      OLD.resp, OLD.detal, OLD.fond, OLD.proiect, OLD.realiz) THEN
    NEW.versiune := OLD.versiune + 1;
    NEW.modificat := now();
  ELSE
    NEW.versiune := OLD.versiune;
  END IF;
  RETURN NEW;
END $$;
DROP TRIGGER IF EXISTS program_versiune ON tendro.program;
CREATE TRIGGER program_versiune BEFORE UPDATE ON tendro.program
  FOR EACH ROW EXECUTE FUNCTION tendro.program_versiune();

-- Row-level security: the server, not the program, keeps each account to its rows.
ALTER TABLE tendro.program ENABLE ROW LEVEL SECURITY;
ALTER TABLE tendro.program FORCE ROW LEVEL SECURITY;
ALTER TABLE tendro.realiz ENABLE ROW LEVEL SECURITY;
ALTER TABLE tendro.realiz FORCE ROW LEVEL SECURITY;
ALTER TABLE tendro.transmiteri ENABLE ROW LEVEL SECURITY;
ALTER TABLE tendro.transmiteri FORCE ROW LEVEL SECURITY;
ALTER TABLE tendro.aprobari ENABLE ROW LEVEL SECURITY;
ALTER TABLE tendro.aprobari FORCE ROW LEVEL SECURITY;

DO $$
DECLARE p record;
BEGIN
  FOR p IN SELECT policyname, tablename FROM pg_policies WHERE schemaname = 'tendro' LOOP
    EXECUTE format('DROP POLICY %I ON tendro.%I', p.policyname, p.tablename);
  END LOOP;
END $$;

-- A sub-unit: its own items; never an approved one deleted.
CREATE POLICY os_citire ON tendro.program FOR SELECT TO tendro_subunitati
  USING (idos = (SELECT tendro.cont_idos()));
CREATE POLICY os_adaugare ON tendro.program FOR INSERT TO tendro_subunitati
  WITH CHECK (idos = (SELECT tendro.cont_idos()));
CREATE POLICY os_modificare ON tendro.program FOR UPDATE TO tendro_subunitati
  USING (idos = (SELECT tendro.cont_idos())) WITH CHECK (idos = (SELECT tendro.cont_idos()));
CREATE POLICY os_stergere ON tendro.program FOR DELETE TO tendro_subunitati
  USING (idos = (SELECT tendro.cont_idos()) AND proced = '');
-- A directorate: the items of its own sub-units.
CREATE POLICY ds_citire ON tendro.program FOR SELECT TO tendro_directii
  USING (idos IN (SELECT tendro.cont_subunitati()));
CREATE POLICY ds_modificare ON tendro.program FOR UPDATE TO tendro_directii
  USING (idos IN (SELECT tendro.cont_subunitati())) WITH CHECK (idos IN (SELECT tendro.cont_subunitati()));

CREATE POLICY os_toate ON tendro.realiz FOR ALL TO tendro_subunitati
  USING (idos = (SELECT tendro.cont_idos())) WITH CHECK (idos = (SELECT tendro.cont_idos()));
CREATE POLICY ds_citire ON tendro.realiz FOR SELECT TO tendro_directii
  USING (idos IN (SELECT tendro.cont_subunitati()));

CREATE POLICY os_citire ON tendro.transmiteri FOR SELECT TO tendro_subunitati
  USING (idos = (SELECT tendro.cont_idos()));
CREATE POLICY os_adaugare ON tendro.transmiteri FOR INSERT TO tendro_subunitati
  WITH CHECK (idos = (SELECT tendro.cont_idos()) AND cont = current_user);
CREATE POLICY ds_citire ON tendro.transmiteri FOR SELECT TO tendro_directii
  USING (idos IN (SELECT tendro.cont_subunitati()));

CREATE POLICY os_citire ON tendro.aprobari FOR SELECT TO tendro_subunitati
  USING (idos = (SELECT tendro.cont_idos()));
CREATE POLICY ds_citire ON tendro.aprobari FOR SELECT TO tendro_directii
  USING (idos IN (SELECT tendro.cont_subunitati()));
CREATE POLICY ds_adaugare ON tendro.aprobari FOR INSERT TO tendro_directii
  WITH CHECK (idos IN (SELECT tendro.cont_subunitati()) AND cont = current_user);

-- Privileges: a sub-unit never writes the directorate's fields (proced,
-- anunt, modalitate) nor the version; a directorate writes only those.
REVOKE ALL ON ALL TABLES IN SCHEMA tendro FROM PUBLIC, tendro_subunitati, tendro_directii;
REVOKE ALL ON ALL FUNCTIONS IN SCHEMA tendro FROM PUBLIC;
GRANT EXECUTE ON ALL FUNCTIONS IN SCHEMA tendro TO tendro_subunitati, tendro_directii;
GRANT SELECT ON tendro.ds, tendro.os, tendro.conturi, tendro.cpv, tendro.praguri
  TO tendro_subunitati, tendro_directii;
GRANT SELECT, DELETE ON tendro.program TO tendro_subunitati;
GRANT INSERT (uid, idos, id, activit, lei, euro, datainc1, datainc2, datafin1, datafin2, resp, detal, fond,
              proiect, realiz) ON tendro.program TO tendro_subunitati;
GRANT UPDATE (id, activit, lei, euro, datainc1, datainc2, datafin1, datafin2, resp, detal, fond, proiect, realiz)
  ON tendro.program TO tendro_subunitati;
GRANT SELECT, INSERT, UPDATE, DELETE ON tendro.realiz TO tendro_subunitati;
GRANT SELECT ON tendro.aprobari TO tendro_subunitati;
GRANT SELECT ON tendro.transmiteri TO tendro_subunitati;
GRANT INSERT (idos, pozitii, noi, modificate, sterse, pastrate, lei, realizari) ON tendro.transmiteri
  TO tendro_subunitati;
GRANT SELECT ON tendro.program, tendro.realiz, tendro.transmiteri, tendro.aprobari TO tendro_directii;
GRANT UPDATE (proced, anunt, modalitate) ON tendro.program TO tendro_directii;
GRANT INSERT (uid, idos, moment, procedvechi, proced, anunt, modalitate) ON tendro.aprobari TO tendro_directii;
