-- The schema of a school's sansu-drill server, version 1.1. Applied by the
-- school's admin to the school's database, after school-roles.sql:
--
--     psql "service=school-admin" -v ON_ERROR_STOP=1 -f school-schema.sql
--
-- Applying it again is harmless: everything is made only when missing
-- (CREATE … IF NOT EXISTS, DO blocks) or replaced by the same definition
-- (CREATE OR REPLACE, a policy dropped and made again in the same
-- transaction), and the stored version is never lowered. A database whose
-- schema has a greater major version is refused whole: an older script has no
-- business there.
--
-- A classroom PC knows major version 1. It reads sansu.schema_version before it
-- sends anything and stops sending when the major is greater. Additive changes
-- (a new column with a default, a new table or view) raise the minor only, and
-- older PCs keep writing. 1.1 added the class rosters, the links a teacher
-- confirms between a pupil a PC made and the roster's pupil, and the settings
-- a teacher sets for a class or a pupil; a 1.0 PC writes as before.
--
-- Growing past one machine (designed for, not tested here):
-- * Partitioning (one server, many schools): sansu.results becomes
--   PARTITION BY LIST (class_id), or by a school column added to classes and
--   copied into each row. PostgreSQL wants the partition key in every unique
--   key, so its primary key becomes (class_id, result_id). A result's class is
--   fixed when it is made and is sent again unchanged, so a resent row still
--   meets its first copy and ON CONFLICT DO NOTHING still drops it. The tables
--   of pupils (pupils, roster, pupil_links, pupil_settings) hold a row or two
--   per child and stay whole: a pupil moves from class to class over the
--   years, so they have no class to be partitioned by.
-- * A distributed PostgreSQL (Citus), the pupil as distribution key:
--   create_distributed_table('sansu.pupils', 'pupil_id') and
--   create_distributed_table('sansu.results', 'pupil_id',
--   colocate_with => 'sansu.pupils'), and the same for sansu.roster and
--   sansu.pupil_settings (by pupil_id) and sansu.pupil_links (by from_pupil);
--   the results' primary key becomes (pupil_id, result_id), so that a pupil's
--   rows, their foreign key to the pupil and the teacher's reads of one pupil
--   stay on one node. A link's foreign key to its to_pupil (on another node)
--   is dropped, and the one 出席番号 per class of the roster is then kept by
--   the import alone (a unique index must hold the distribution key).
--   classes, class_pcs, class_teachers, class_settings and schema_version
--   become reference tables (create_reference_table), copied to every node.
--   The statements the PCs send stay the same: they name no conflict target.

\set ON_ERROR_STOP on
-- What already exists is skipped without a notice each time.
SET client_min_messages = warning;
BEGIN;

-- The owner makes the schema in this database; only a superuser or the
-- database's owner may let it.
DO $$
BEGIN
    EXECUTE format('GRANT CREATE ON DATABASE %I TO sansu_owner', current_database());
END
$$;

SET ROLE sansu_owner;

DO $$
BEGIN
    -- Read only once the table is known to be there (a DO block's statements
    -- are planned as a whole).
    IF to_regclass('sansu.schema_version') IS NOT NULL THEN
        IF EXISTS (SELECT FROM sansu.schema_version WHERE major > 1) THEN
            RAISE EXCEPTION 'the schema sansu has a newer major version than 1: applying version 1.1 over it would undo it'
                USING HINT = 'Apply the school-schema.sql shipped with the newer program.';
        END IF;
    END IF;
END
$$;

CREATE SCHEMA IF NOT EXISTS sansu AUTHORIZATION sansu_owner;
REVOKE ALL ON SCHEMA sansu FROM PUBLIC;
GRANT USAGE ON SCHEMA sansu TO sansu_pc, sansu_teacher;

-- Exactly one row: the unique index on a constant allows no second one.
CREATE TABLE IF NOT EXISTS sansu.schema_version (
    major int NOT NULL,
    minor int NOT NULL
);
CREATE UNIQUE INDEX IF NOT EXISTS schema_version_one_row ON sansu.schema_version ((true));

-- The classes and who may write for or read each: filled by the admin. What a
-- login may do follows from these tables alone, never from what a PC says.
CREATE TABLE IF NOT EXISTS sansu.classes (
    class_id text PRIMARY KEY,
    name text
);
CREATE TABLE IF NOT EXISTS sansu.class_pcs (
    login name NOT NULL,
    class_id text NOT NULL REFERENCES sansu.classes,
    PRIMARY KEY (login, class_id)
);
CREATE TABLE IF NOT EXISTS sansu.class_teachers (
    login name NOT NULL,
    class_id text NOT NULL REFERENCES sansu.classes,
    PRIMARY KEY (login, class_id)
);

-- A pupil is a UUID made on the PC where the child first practised for the
-- school; the name is only how the child reads it. class_id is the class the
-- pupil was first sent for.
CREATE TABLE IF NOT EXISTS sansu.pupils (
    pupil_id uuid PRIMARY KEY,
    class_id text NOT NULL REFERENCES sansu.classes,
    name_kana text NOT NULL,
    made_by_pc uuid,
    created_at timestamptz NOT NULL DEFAULT now()
);
-- Since 1.1, from the class roster: the name in kanji and the school system's
-- pupil number (児童番号), as the school's system writes them.
ALTER TABLE sansu.pupils ADD COLUMN IF NOT EXISTS name_kanji text;
ALTER TABLE sansu.pupils ADD COLUMN IF NOT EXISTS school_pupil_no text;

-- One sitting, append-only. result_id, made on the PC with the row, is the one
-- unique key: a row sent twice is dropped by it, and no other key can drop a
-- real row (two sittings may well share every other column). drill, score and
-- log_date are the results file's texts as they are; made_at is the PC's time
-- of the sitting with its offset; pc_clock_at_send the PC's clock when the batch
-- was sent, beside the server's received_at.
CREATE TABLE IF NOT EXISTS sansu.results (
    result_id uuid PRIMARY KEY,
    pupil_id uuid NOT NULL REFERENCES sansu.pupils,
    class_id text NOT NULL REFERENCES sansu.classes,
    drill text NOT NULL,
    score text NOT NULL CONSTRAINT results_score_is_a_number CHECK (score ~ '^[0-9]{1,9}$'),
    log_date text NOT NULL,
    made_at timestamptz NOT NULL,
    made_utc_offset_min smallint NOT NULL,
    pc_id uuid NOT NULL,
    pc_name text NOT NULL,
    pc_seq bigint NOT NULL,
    pc_clock_at_send timestamptz NOT NULL,
    received_at timestamptz NOT NULL DEFAULT now()
);
-- The teacher's reads: a class's rows, pupil by pupil.
CREATE INDEX IF NOT EXISTS results_class_pupil ON sansu.results (class_id, pupil_id);

-- The class roster (1.1): who is in a class this year, in 出席番号 order. The
-- number changes every year and is never a pupil's key. A pupil left out of a
-- newer roster stays, marked left_class (転出), and their rows are still
-- taken. A teacher's import sets a whole roster in one transaction.
CREATE TABLE IF NOT EXISTS sansu.roster (
    class_id text NOT NULL REFERENCES sansu.classes,
    pupil_id uuid NOT NULL REFERENCES sansu.pupils,
    attendance_no int NOT NULL CONSTRAINT roster_attendance_no_1_to_99 CHECK (attendance_no BETWEEN 1 AND 99),
    left_class bool NOT NULL DEFAULT false,
    PRIMARY KEY (class_id, pupil_id)
);
-- One pupil to a number among those still in the class.
CREATE UNIQUE INDEX IF NOT EXISTS roster_one_number ON sansu.roster (class_id, attendance_no) WHERE NOT left_class;

-- A pupil a PC made before the roster named the child (the id a PC gave the
-- child at its first join) tied to the roster's pupil, as the teacher
-- confirmed it: the teacher's reads count from_pupil's rows as to_pupil's.
CREATE TABLE IF NOT EXISTS sansu.pupil_links (
    from_pupil uuid PRIMARY KEY REFERENCES sansu.pupils,
    to_pupil uuid NOT NULL REFERENCES sansu.pupils,
    confirmed_by name NOT NULL DEFAULT session_user,
    confirmed_at timestamptz NOT NULL DEFAULT now(),
    CONSTRAINT pupil_links_not_to_itself CHECK (from_pupil <> to_pupil)
);

-- The days a PC keeps a child's results and whether a missed question comes
-- back (まちがえた もんだいを もういちど), set by the teacher for the class
-- and, overriding it, for one pupil; NULL leaves it to the class, or to the PC.
CREATE TABLE IF NOT EXISTS sansu.class_settings (
    class_id text PRIMARY KEY REFERENCES sansu.classes,
    kept_days int CONSTRAINT class_settings_kept_days CHECK (kept_days BETWEEN 1 AND 36500),
    retry_missed bool
);
CREATE TABLE IF NOT EXISTS sansu.pupil_settings (
    pupil_id uuid PRIMARY KEY REFERENCES sansu.pupils,
    kept_days int CONSTRAINT pupil_settings_kept_days CHECK (kept_days BETWEEN 1 AND 36500),
    retry_missed bool
);

-- The classes of the login this session was opened with, from class_pcs and
-- class_teachers; run as their owner, so the logins need no right on them.
CREATE OR REPLACE FUNCTION sansu.pc_classes() RETURNS SETOF text
    LANGUAGE sql STABLE SECURITY DEFINER
    SET search_path = pg_catalog, pg_temp
    AS $$ SELECT class_id FROM sansu.class_pcs WHERE login = session_user $$;
CREATE OR REPLACE FUNCTION sansu.teacher_classes() RETURNS SETOF text
    LANGUAGE sql STABLE SECURITY DEFINER
    SET search_path = pg_catalog, pg_temp
    AS $$ SELECT class_id FROM sansu.class_teachers WHERE login = session_user $$;
REVOKE ALL ON FUNCTION sansu.pc_classes(), sansu.teacher_classes() FROM PUBLIC;
GRANT EXECUTE ON FUNCTION sansu.pc_classes() TO sansu_pc;
GRANT EXECUTE ON FUNCTION sansu.teacher_classes() TO sansu_teacher;

-- The pupils a teacher's login may read and change: those first sent for one
-- of their classes, and those on one of their classes' rosters.
CREATE OR REPLACE FUNCTION sansu.teacher_pupils() RETURNS SETOF uuid
    LANGUAGE sql STABLE SECURITY DEFINER
    SET search_path = pg_catalog, pg_temp
    AS $$
        SELECT p.pupil_id FROM sansu.pupils p
            WHERE p.class_id IN (SELECT t.class_id FROM sansu.class_teachers t WHERE t.login = session_user)
        UNION
        SELECT r.pupil_id FROM sansu.roster r
            WHERE r.class_id IN (SELECT t.class_id FROM sansu.class_teachers t WHERE t.login = session_user)
    $$;

-- The pupils a new roster of the teacher's class `for_class` may be matched
-- against: those on its roster, those of last year's class the teacher names
-- (on its roster, or first sent for it while it had none), and those of any
-- class whose 児童番号 (compared without leading zeros) is among
-- `pupil_numbers`; never a pupil linked to another. A pupil a PC made for
-- `for_class` before its roster is not among them: the teacher ties it to
-- its roster pupil afterwards (pupil_links). Names and numbers only, never
-- results; nothing for a class that is not the teacher's.
CREATE OR REPLACE FUNCTION sansu.roster_candidates(for_class text, last_years_class text, pupil_numbers text[])
    RETURNS TABLE (pupil_id uuid, name_kana text, name_kanji text, school_pupil_no text, class_id text,
                   attendance_no int, left_class bool)
    LANGUAGE sql STABLE SECURITY DEFINER
    SET search_path = pg_catalog, pg_temp
    AS $$
        WITH mine AS (
            SELECT for_class AS c
            WHERE for_class IN (SELECT t.class_id FROM sansu.class_teachers t WHERE t.login = session_user)
        ), keys AS (
            SELECT CASE WHEN n ~ '^[0-9]+$' THEN coalesce(nullif(ltrim(n, '0'), ''), '0') ELSE n END AS k
            FROM unnest(pupil_numbers) AS n
        ), found AS (
            -- Each pupil once: on this class's roster before last year's.
            SELECT DISTINCT ON (p.pupil_id) p.pupil_id, p.name_kana, p.name_kanji, p.school_pupil_no,
                   coalesce(r.class_id, p.class_id) AS class_id, r.attendance_no, coalesce(r.left_class, false) AS left_class
            FROM mine, sansu.pupils p
            LEFT JOIN sansu.roster r ON r.pupil_id = p.pupil_id AND r.class_id IN ((SELECT c FROM mine), last_years_class)
            WHERE p.pupil_id NOT IN (SELECT l.from_pupil FROM sansu.pupil_links l)
              AND (r.class_id IS NOT NULL
                   OR (p.class_id = last_years_class
                       AND NOT EXISTS (SELECT FROM sansu.roster o WHERE o.pupil_id = p.pupil_id))
                   OR CASE WHEN p.school_pupil_no ~ '^[0-9]+$'
                           THEN coalesce(nullif(ltrim(p.school_pupil_no, '0'), ''), '0')
                           ELSE p.school_pupil_no END IN (SELECT k FROM keys))
            ORDER BY p.pupil_id, r.class_id = mine.c DESC NULLS LAST, r.class_id IS NULL
        )
        SELECT * FROM found ORDER BY class_id, attendance_no NULLS LAST, name_kana
    $$;

-- A classroom PC's one read (1.1): the rosters of the classes its login
-- writes for, each pupil with the settings in force, the pupil's own before
-- the class's (NULL when neither is set). No results, no links, no other
-- class.
CREATE OR REPLACE FUNCTION sansu.pc_roster()
    RETURNS TABLE (class_id text, class_name text, pupil_id uuid, attendance_no int, name_kana text,
                   left_class bool, kept_days int, retry_missed bool)
    LANGUAGE sql STABLE SECURITY DEFINER
    SET search_path = pg_catalog, pg_temp
    AS $$
        SELECT r.class_id, c.name, r.pupil_id, r.attendance_no, p.name_kana, r.left_class,
               coalesce(ps.kept_days, cs.kept_days), coalesce(ps.retry_missed, cs.retry_missed)
        FROM sansu.roster r
        JOIN sansu.classes c ON c.class_id = r.class_id
        JOIN sansu.pupils p ON p.pupil_id = r.pupil_id
        LEFT JOIN sansu.class_settings cs ON cs.class_id = r.class_id
        LEFT JOIN sansu.pupil_settings ps ON ps.pupil_id = r.pupil_id
        WHERE r.class_id IN (SELECT cp.class_id FROM sansu.class_pcs cp WHERE cp.login = session_user)
        ORDER BY r.class_id, r.left_class, r.attendance_no
    $$;
REVOKE ALL ON FUNCTION sansu.teacher_pupils(), sansu.roster_candidates(text, text, text[]), sansu.pc_roster()
    FROM PUBLIC;
GRANT EXECUTE ON FUNCTION sansu.teacher_pupils(), sansu.roster_candidates(text, text, text[]) TO sansu_teacher;
GRANT EXECUTE ON FUNCTION sansu.pc_roster() TO sansu_pc;

-- Each row's PC clock against the server's: the error, and a mark when it is
-- more than five minutes either way. Rows are kept whatever their clock says.
-- It reads as the one who queries (security_invoker), so a teacher sees only the
-- rows of their classes.
CREATE OR REPLACE VIEW sansu.results_clock WITH (security_invoker = true) AS
    SELECT result_id, class_id, pupil_id, pc_id, pc_name, made_at, pc_clock_at_send, received_at,
           pc_clock_at_send - received_at AS clock_error,
           abs(extract(epoch FROM pc_clock_at_send - received_at)) > 300 AS clock_off
    FROM sansu.results;

-- Row-level security: a PC inserts rows of its classes only and reads none; a
-- teacher reads the rows of their classes, and reads and writes the pupils,
-- the roster, the links and the settings of their classes. The owner (and so
-- the foreign keys' checks) is not bound by it.
ALTER TABLE sansu.pupils ENABLE ROW LEVEL SECURITY;
ALTER TABLE sansu.results ENABLE ROW LEVEL SECURITY;
ALTER TABLE sansu.roster ENABLE ROW LEVEL SECURITY;
ALTER TABLE sansu.pupil_links ENABLE ROW LEVEL SECURITY;
ALTER TABLE sansu.class_settings ENABLE ROW LEVEL SECURITY;
ALTER TABLE sansu.pupil_settings ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS pc_inserts ON sansu.pupils;
CREATE POLICY pc_inserts ON sansu.pupils FOR INSERT TO sansu_pc
    WITH CHECK (class_id IN (SELECT sansu.pc_classes()));
DROP POLICY IF EXISTS teacher_reads ON sansu.pupils;
CREATE POLICY teacher_reads ON sansu.pupils FOR SELECT TO sansu_teacher
    USING (pupil_id IN (SELECT sansu.teacher_pupils()));
DROP POLICY IF EXISTS teacher_inserts ON sansu.pupils;
CREATE POLICY teacher_inserts ON sansu.pupils FOR INSERT TO sansu_teacher
    WITH CHECK (class_id IN (SELECT sansu.teacher_classes()));
DROP POLICY IF EXISTS teacher_updates ON sansu.pupils;
CREATE POLICY teacher_updates ON sansu.pupils FOR UPDATE TO sansu_teacher
    USING (pupil_id IN (SELECT sansu.teacher_pupils()))
    WITH CHECK (pupil_id IN (SELECT sansu.teacher_pupils()));
DROP POLICY IF EXISTS teacher_class ON sansu.roster;
CREATE POLICY teacher_class ON sansu.roster FOR ALL TO sansu_teacher
    USING (class_id IN (SELECT sansu.teacher_classes()))
    WITH CHECK (class_id IN (SELECT sansu.teacher_classes()));
-- A link ties a pupil first sent for the teacher's class, on no roster of
-- theirs, to a pupil on the roster of one of their classes.
DROP POLICY IF EXISTS teacher_class ON sansu.pupil_links;
CREATE POLICY teacher_class ON sansu.pupil_links FOR ALL TO sansu_teacher
    USING (to_pupil IN (SELECT r.pupil_id FROM sansu.roster r WHERE r.class_id IN (SELECT sansu.teacher_classes())))
    WITH CHECK (to_pupil IN (SELECT r.pupil_id FROM sansu.roster r WHERE r.class_id IN (SELECT sansu.teacher_classes()))
                AND from_pupil IN (SELECT p.pupil_id FROM sansu.pupils p
                                   WHERE p.class_id IN (SELECT sansu.teacher_classes()))
                AND from_pupil NOT IN (SELECT r.pupil_id FROM sansu.roster r));
DROP POLICY IF EXISTS teacher_class ON sansu.class_settings;
CREATE POLICY teacher_class ON sansu.class_settings FOR ALL TO sansu_teacher
    USING (class_id IN (SELECT sansu.teacher_classes()))
    WITH CHECK (class_id IN (SELECT sansu.teacher_classes()));
DROP POLICY IF EXISTS teacher_class ON sansu.pupil_settings;
CREATE POLICY teacher_class ON sansu.pupil_settings FOR ALL TO sansu_teacher
    USING (pupil_id IN (SELECT sansu.teacher_pupils()))
    WITH CHECK (pupil_id IN (SELECT sansu.teacher_pupils()));
DROP POLICY IF EXISTS pc_inserts ON sansu.results;
CREATE POLICY pc_inserts ON sansu.results FOR INSERT TO sansu_pc
    WITH CHECK (class_id IN (SELECT sansu.pc_classes()));
DROP POLICY IF EXISTS teacher_reads ON sansu.results;
CREATE POLICY teacher_reads ON sansu.results FOR SELECT TO sansu_teacher
    USING (class_id IN (SELECT sansu.teacher_classes()));

-- What each group may do, and nothing else. A PC names the columns it fills;
-- the server's own times (created_at, received_at) are not among them.
-- INSERT … ON CONFLICT DO NOTHING without a conflict target needs no SELECT.
REVOKE ALL ON ALL TABLES IN SCHEMA sansu FROM PUBLIC;
GRANT SELECT ON sansu.schema_version TO sansu_pc, sansu_teacher;
GRANT INSERT (pupil_id, class_id, name_kana, made_by_pc) ON sansu.pupils TO sansu_pc;
GRANT INSERT (result_id, pupil_id, class_id, drill, score, log_date, made_at, made_utc_offset_min,
              pc_id, pc_name, pc_seq, pc_clock_at_send) ON sansu.results TO sansu_pc;
GRANT SELECT ON sansu.pupils, sansu.results, sansu.results_clock TO sansu_teacher;
-- A teacher names pupils from a roster, sets the roster (never removes a row
-- of it: a pupil who left is marked), confirms links and sets settings; the
-- names of all classes, to name last year's.
GRANT SELECT ON sansu.classes, sansu.roster, sansu.pupil_links, sansu.class_settings, sansu.pupil_settings
    TO sansu_teacher;
GRANT INSERT (pupil_id, class_id, name_kana, name_kanji, school_pupil_no) ON sansu.pupils TO sansu_teacher;
GRANT UPDATE (name_kana, name_kanji, school_pupil_no) ON sansu.pupils TO sansu_teacher;
GRANT INSERT, UPDATE (attendance_no, left_class) ON sansu.roster TO sansu_teacher;
GRANT INSERT (from_pupil, to_pupil), DELETE ON sansu.pupil_links TO sansu_teacher;
GRANT INSERT, UPDATE ON sansu.class_settings, sansu.pupil_settings TO sansu_teacher;

-- The version, set only when missing or lower.
INSERT INTO sansu.schema_version (major, minor)
    SELECT 1, 1 WHERE NOT EXISTS (SELECT FROM sansu.schema_version);
UPDATE sansu.schema_version SET (major, minor) = (1, 1) WHERE (major, minor) < (1, 1);

RESET ROLE;
COMMIT;
