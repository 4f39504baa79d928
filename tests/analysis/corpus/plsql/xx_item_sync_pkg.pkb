CREATE OR REPLACE PACKAGE BODY Xx_Item_Sync_Pkg
AS
-- ===========================================================================
-- Item master synchronisation PLM -> ERP
--
-- LOAD_ITEM and SYNC_ORG are overloaded: the PLM adapter calls them by id,
-- the upload screen by item code, the batch by record.
--
-- Version  Date         Author     Remarks
-- -------  -----------  ---------  -----------------------------------------
-- 1.0      14-Jun-2007  PBERGER    Initial
-- 1.1      03-Mar-2008  PBERGER    overload by code for the upload screen
-- 1.2      22-Nov-2013  CSANTOS    record overload, org sync
-- ===========================================================================

   CURSOR c_org (p_org_code IN VARCHAR2)
   IS
      SELECT organization_id, organization_code, master_organization_id
        FROM mtl_parameters
       WHERE organization_code = p_org_code;

   g_master_org   NUMBER;

   ----------------------------------------------------------------------------
   PROCEDURE Trace (p_txt IN VARCHAR2)
   IS
   BEGIN
      DBMS_OUTPUT.put_line (TO_CHAR (SYSTIMESTAMP, 'HH24:MI:SS.FF3') || ' ' || p_txt);
   END Trace;

   ----------------------------------------------------------------------------
   FUNCTION Master_Org RETURN NUMBER
   IS
   BEGIN
      IF g_master_org IS NULL THEN
         SELECT organization_id
           INTO g_master_org
           FROM mtl_parameters
          WHERE organization_id = master_organization_id
            AND ROWNUM = 1;
      END IF;
      RETURN g_master_org;
   END Master_Org;

   ----------------------------------------------------------------------------
   PROCEDURE Apply_Item (p_rec IN t_item_rec)
   IS
   BEGIN
      MERGE INTO mtl_system_items msi
      USING (SELECT p_rec.item_code item_code, Master_Org org_id FROM dual) src
         ON (msi.segment1 = src.item_code AND msi.organization_id = src.org_id)
      WHEN MATCHED THEN
         UPDATE SET msi.description       = p_rec.description,
                    msi.primary_uom_code  = p_rec.uom,
                    msi.item_type         = p_rec.item_type,
                    msi.last_update_date  = SYSDATE
      WHEN NOT MATCHED THEN
         INSERT (inventory_item_id, organization_id, segment1, description,
                 primary_uom_code, item_type, creation_date)
         VALUES (mtl_system_items_s.NEXTVAL, src.org_id, p_rec.item_code,
                 p_rec.description, p_rec.uom, p_rec.item_type, SYSDATE);
   END Apply_Item;

   ----------------------------------------------------------------------------
   -- 1) by PLM id
   ----------------------------------------------------------------------------
   PROCEDURE Load_Item (p_plm_id IN NUMBER)
   IS
      CURSOR c_item (cp_id NUMBER) IS
         SELECT plm_id, item_code, description, uom, item_type, lifecycle
           FROM xx_plm_items_v
          WHERE plm_id = cp_id;

      r_item   c_item%ROWTYPE;
      l_rec    t_item_rec;
   BEGIN
      OPEN c_item (p_plm_id);
      FETCH c_item INTO r_item;

      IF c_item%NOTFOUND
      THEN
         CLOSE c_item;
         Trace ('PLM id ' || p_plm_id || ' not found');
         RETURN;
      END IF;

      CLOSE c_item;

      l_rec.item_code   := r_item.item_code;
      l_rec.description := r_item.description;
      l_rec.uom         := r_item.uom;
      l_rec.item_type   := r_item.item_type;

      IF r_item.lifecycle IN ('RELEASED', 'PRODUCTION')
      THEN
         Apply_Item (l_rec);
      END IF;
   END Load_Item;

   ----------------------------------------------------------------------------
   -- 2) by item code, from the upload screen
   ----------------------------------------------------------------------------
   PROCEDURE Load_Item (p_item_code IN VARCHAR2,
                        p_org_code  IN VARCHAR2 DEFAULT NULL)
   IS
      CURSOR c_item (cp_code VARCHAR2) IS
         SELECT plm_id, item_code, description, uom, item_type, lifecycle
           FROM xx_plm_items_v
          WHERE item_code = UPPER (cp_code)
          ORDER BY revision DESC;

      r_item   c_item%ROWTYPE;
      l_rec    t_item_rec;
   BEGIN
      OPEN c_item (p_item_code);
      FETCH c_item INTO r_item;

      IF c_item%FOUND
      THEN
         l_rec.item_code   := r_item.item_code;
         l_rec.description := r_item.description;
         l_rec.uom         := r_item.uom;
         l_rec.item_type   := r_item.item_type;
         Apply_Item (l_rec);

         IF p_org_code IS NOT NULL
         THEN
            Sync_Org (r_item.item_code, p_org_code);
         END IF;
      ELSE
         Trace ('Item ' || p_item_code || ' unknown in PLM');
      END IF;
   END Load_Item;

   ----------------------------------------------------------------------------
   -- 3) by record, from the nightly batch
   ----------------------------------------------------------------------------
   PROCEDURE Load_Item (p_rec IN t_item_rec, p_validate IN BOOLEAN DEFAULT TRUE)
   IS
      CURSOR c_item IS
         SELECT COUNT (*)
           FROM mtl_units_of_measure
          WHERE uom_code = p_rec.uom
            AND NVL (disable_date, SYSDATE + 1) > SYSDATE;

      l_cnt   PLS_INTEGER;
   BEGIN
      IF p_validate
      THEN
         OPEN c_item;
         FETCH c_item INTO l_cnt;
         CLOSE c_item;

         IF l_cnt = 0
         THEN
            RAISE_APPLICATION_ERROR (-20701, 'UOM ' || p_rec.uom || ' not valid');
         END IF;
      END IF;

      Apply_Item (p_rec);
   END Load_Item;

   ----------------------------------------------------------------------------
   -- SYNC_ORG 1) by code pair
   ----------------------------------------------------------------------------
   PROCEDURE Sync_Org (p_item_code IN VARCHAR2, p_org_code IN VARCHAR2)
   IS
      r_org   c_org%ROWTYPE;
   BEGIN
      OPEN c_org (p_org_code);
      FETCH c_org INTO r_org;
      IF c_org%NOTFOUND THEN
         CLOSE c_org;
         RAISE NO_DATA_FOUND;
      END IF;
      CLOSE c_org;

      INSERT INTO mtl_system_items
            (inventory_item_id, organization_id, segment1, description,
             primary_uom_code, item_type, creation_date)
         SELECT inventory_item_id, r_org.organization_id, segment1, description,
                primary_uom_code, item_type, SYSDATE
           FROM mtl_system_items m
          WHERE m.segment1 = p_item_code
            AND m.organization_id = r_org.master_organization_id
            AND NOT EXISTS (SELECT 1
                              FROM mtl_system_items x
                             WHERE x.segment1 = m.segment1
                               AND x.organization_id = r_org.organization_id);
   EXCEPTION
      WHEN NO_DATA_FOUND THEN
         IF c_org%ISOPEN THEN
            CLOSE c_org;
         END IF;
         RAISE_APPLICATION_ERROR (-20702, 'Org ' || p_org_code || ' unknown');
   END Sync_Org;

   ----------------------------------------------------------------------------
   -- SYNC_ORG 2) all items of a lifecycle into one org
   ----------------------------------------------------------------------------
   PROCEDURE Sync_Org (p_org_code IN VARCHAR2, p_lifecycle IN VARCHAR2, x_count OUT NUMBER)
   IS
      r_org   c_org%ROWTYPE;
   BEGIN
      x_count := 0;

      OPEN c_org (p_org_code);
      FETCH c_org INTO r_org;
      CLOSE c_org;

      IF r_org.organization_id IS NULL THEN
         RAISE_APPLICATION_ERROR (-20703, 'Org ' || p_org_code || ' unknown');
      END IF;

      FOR r IN (SELECT item_code
                  FROM xx_plm_items_v
                 WHERE lifecycle = p_lifecycle)
      LOOP
         Sync_Org (r.item_code, p_org_code);
         x_count := x_count + 1;
      END LOOP;
   EXCEPTION
      WHEN DUP_VAL_ON_INDEX THEN
         Trace ('duplicate while syncing ' || p_org_code);
         RAISE;
   END Sync_Org;

   ----------------------------------------------------------------------------
   FUNCTION Item_Exists (p_item_code IN VARCHAR2) RETURN BOOLEAN
   IS
      CURSOR c_x IS
         SELECT 'x' FROM mtl_system_items
          WHERE segment1 = p_item_code AND organization_id = Master_Org;
      l_dummy VARCHAR2(1);
      l_found BOOLEAN;
   BEGIN
      OPEN c_x;
      FETCH c_x INTO l_dummy;
      l_found := c_x%FOUND;
      CLOSE c_x;
      RETURN l_found;
   END Item_Exists;

   ----------------------------------------------------------------------------
   FUNCTION Item_Exists (p_plm_id IN NUMBER) RETURN BOOLEAN
   IS
      l_code xx_plm_items_v.item_code%TYPE;
   BEGIN
      SELECT item_code INTO l_code FROM xx_plm_items_v WHERE plm_id = p_plm_id;
      RETURN Item_Exists (l_code);
   EXCEPTION
      WHEN NO_DATA_FOUND OR TOO_MANY_ROWS THEN
         RETURN FALSE;
   END Item_Exists;

END Xx_Item_Sync_Pkg;
/
